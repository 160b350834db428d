// The real search.html -> search.asp flow in headless Chromium, with the
// output folder served by the test host: a search from each ASP template,
// the page links, the Advanced choices, and no console errors on the way.
import { after, before } from "node:test";
import assert from "node:assert/strict";
import { findChromium } from "../browser/cdp.mjs";
import { startBrowser } from "../browser/pages.mjs";
import { describeServerPageFlows } from "../browser/serverPageFlows.mjs";
import { Program, aspHost, sampleSite } from "./fixture.mjs";

let program, host, browser;
const served = [];

before(async () => {
    if (!findChromium()) return;
    program = new Program();
    host = await aspHost();
    program.index(sampleSite, { settings: { ScriptType: 1 } });
    browser = await startBrowser();
});

after(async () => {
    await browser?.close();
    for (const server of served) await server.close();
    program?.remove();
});

async function serveTemplate(template, settings = {}) {
    const dir = program.make({ ScriptType: 1, SelTemplateName: template, ...settings });
    const server = await host.serve(dir);
    served.push(server);
    return server;
}

function assertServed(server) {
    assert.deepEqual(server.errors.map(String), [], "search.asp failed in the host");
}

describeServerPageFlows("ASP", { skip: !findChromium() && "no Chromium", browser: () => browser, serveTemplate, assertServed });
