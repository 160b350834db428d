// The real search.html -> search.php flow in headless Chromium, with the
// output folder served by PHP's built-in server: a search from each PHP
// template, the page links, the Advanced choices, and no console errors or
// PHP warnings on the way.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { findChromium } from "../browser/cdp.mjs";
import { assertClean, count, hitTitles, startBrowser, waitForResults } from "../browser/pages.mjs";
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

describe("search.html to search.php in Chromium", { skip: !findChromium() && "no Chromium" }, () => {
    test("Simple-PHP: a search from the form, then the page links", async () => {
        const server = await serveTemplate("Simple-PHP", { MatchingStrategy: 1 });
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

    test("Advanced-PHP: the visitor's matching and search strategy reach the search and stay chosen", async () => {
        const server = await serveTemplate("Advanced-PHP");
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
