// The real search.html -> search.asp flow in headless Chromium, with the
// output folder served by the test host: a search from each ASP template,
// the page links, the Advanced choices, and no console errors on the way.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { findChromium } from "../browser/cdp.mjs";
import { assertClean, count, hitTitles, startBrowser, waitForResults } from "../browser/pages.mjs";
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

describe("search.html to search.asp in Chromium", { skip: !findChromium() && "no Chromium" }, () => {
    test("Simple-ASP: a search from the form, then the page links", async () => {
        const server = await serveTemplate("Simple-ASP", { MatchingStrategy: 1 });
        const page = await browser.newPage();
        await page.goto(`${server.origin}/search.html`);
        // The search field has the focus: typing and Enter is the whole search.
        assert.equal(await page.evaluate(() => document.activeElement.id), "q");
        await page.type("#q", "e lantern", { enter: true });
        const first = await waitForResults(page, { when: "r.search !== ''" });
        assert.equal(first.search, "?q=e+lantern");
        assert.equal(first.field, "e lantern");
        assert.equal(first.current, "1");
        assert.equal(first.hits.length, 10);
        const total = count(first);
        assert.ok(total > 10);
        await page.click("nav.fl-pages a.fl-next");
        const second = await waitForResults(page, { when: "r.current === '2'" });
        assert.equal(second.search, "?q=e+lantern&p=2");
        assert.equal(second.hits.length, total - 10);
        assert.equal(new Set([...hitTitles(first), ...hitTitles(second)]).size, total);
        await page.click("nav.fl-pages a.fl-prev");
        const back = await waitForResults(page, { when: "r.current === '1'" });
        assert.deepEqual(hitTitles(back), hitTitles(first));
        // A new search from the result page's own form.
        await page.type("#q", "pier", { enter: true });
        const again = await waitForResults(page, { when: "r.query === 'pier'" });
        assert.ok(again.hits.length > 0 && again.hits.length < 10);
        assertClean(page);
        assertServed(server);
        await page.close();
    });

    test("Advanced-ASP: the visitor's matching and search strategy reach the search and stay chosen", async () => {
        const server = await serveTemplate("Advanced-ASP");
        const page = await browser.newPage();
        await page.goto(`${server.origin}/search.html`);
        await page.evaluate(() => {
            document.getElementById("m").value = "2";
            document.getElementById("s").value = "1";
            return true;
        });
        await page.type("#q", "night walk", { enter: true });
        const phrase = await waitForResults(page, { when: "r.search !== ''" });
        assert.equal(phrase.search, "?q=night+walk&m=2&s=1");
        assert.deepEqual([phrase.m, phrase.s, phrase.field], ["2", "1", "night walk"]);
        assert.deepEqual(hitTitles(phrase), ["A night walk on the pier"]);
        assert.deepEqual([...new Set(phrase.hits[0].marks)], ["night walk"]);
        // The same words, any of them, anywhere: more pages.
        await page.evaluate(() => {
            document.getElementById("m").value = "1";
            document.getElementById("s").value = "0";
            return true;
        });
        await page.type("#q", "night walk", { enter: true });
        const any = await waitForResults(page, { when: "r.m === '1' && r.search.includes('m=1')" });
        assert.ok(any.hits.length > 1);
        assert.equal(any.hits[0].title, "A night walk on the pier");
        assertClean(page);
        assertServed(server);
        await page.close();
    });
});
