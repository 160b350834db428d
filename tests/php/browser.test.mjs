// The real search.html -> search.php flow in headless Chromium, with the
// output folder served by PHP's built-in server: a search from each PHP
// template, the page links, the Advanced choices, and no console errors or
// PHP warnings on the way.
import { after, before } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { findChromium } from "../browser/cdp.mjs";
import { startBrowser } from "../browser/pages.mjs";
import { describeServerPageFlows } from "../browser/serverPageFlows.mjs";
import { PhpServer, Program, sampleSite } from "./fixture.mjs";

let program, browser;
const served = [];

before(async () => {
    if (!findChromium()) return;
    program = new Program();
    program.index(sampleSite, { settings: { ScriptType: 2 } });
    browser = await startBrowser();
});

after(async () => {
    await browser?.close();
    for (const server of served) server.stop();
    program?.remove();
});

async function serveTemplate(template, settings = {}) {
    const dir = program.make({ ScriptType: 2, SelTemplateName: template, ...settings });
    // A site has its own icon; without one the browser's request for it would be a 404 in the log.
    fs.writeFileSync(path.join(dir, "favicon.ico"), "");
    const server = await PhpServer.start(dir);
    server.origin = `http://127.0.0.1:${server.port}`;
    served.push(server);
    return server;
}

function assertServed(server) {
    assert.deepEqual(server.problems(), [], "PHP wrote more than its request lines");
}

describeServerPageFlows("PHP", { skip: !findChromium() && "no Chromium", browser: () => browser, serveTemplate, assertServed });
