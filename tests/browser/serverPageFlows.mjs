// The search.html -> server page flow in headless Chromium, shared by the server-side engines: a search
// from each template, the page links, the Advanced choices, and no console errors on the way. Each engine's
// test serves its output folder its own way and says what a clean answer of its server looks like.
import { describe, test } from "node:test";
import assert from "node:assert/strict";
import { assertClean, count, hitTitles, waitForResults } from "./pages.mjs";

export function describeServerPageFlows(engine, { skip, browser, serveTemplate, assertServed }) {
    describe(`search.html to search.${engine.toLowerCase()} in Chromium`, { skip }, () => {
        test(`Simple-${engine}: a search from the form, then the page links`, async () => {
            const server = await serveTemplate(`Simple-${engine}`, { MatchingStrategy: 1 });
            const page = await browser().newPage();
            await page.goto(`${server.origin}/search.html`);
            // The search field takes the focus (once the page has loaded, which may be a moment after goto
            // returns): typing and Enter is the whole search.
            await page.waitFor(() => document.activeElement && document.activeElement.id === "q",
                { what: "the search field to take the focus" });
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

        test(`Advanced-${engine}: the visitor's matching and search strategy reach the search and stay chosen`, async () => {
            const server = await serveTemplate(`Advanced-${engine}`);
            const page = await browser().newPage();
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
}
