// The sample site's search engine in each of the three window types, from
// file: and from a web server: searching, showing further searches in the
// same document, Back and Forward, and addresses that open the same results.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { Program, fileUrl, sampleSite, serve, cleanUp } from "./fixture.mjs";
import { assertClean, count, markDocument, readResults, sameDocument, startBrowser, waitForResults, hitTitles, searchInResultsWindow } from "./pages.mjs";

const FRAME = "findlark-results";

let program, browser;
const out = {};

before(async () => {
    program = new Program();
    program.index(sampleSite, { exclude: ["private"] });
    out.same = program.make({ OutputWindowType: 0 });
    out.window = program.make({ OutputWindowType: 1 });
    out.frame = program.make({ OutputWindowType: 2 });
    browser = await startBrowser();
});

after(() => cleanUp({ browser, program }));

const titles = hitTitles;
const onSearchPage = () => !document.getElementById("fl-results") && !!document.querySelector("h1") &&
    document.forms.length > 0;

// The type-0 engine at `base` (a file: or http: address of its folder, with
// a trailing slash): a search from the search page and a second one from the
// result page stay in the document; Back and Forward walk them.
async function sameWindowRoundTrip(base) {
    const page = await browser.newPage();
    try {
        await page.goto(base + "search.html");
        await page.waitFor(() => document.activeElement && document.activeElement.id === "q",
            { what: "the search field to take the focus" });
        await markDocument(page);

        await page.type("#q", "brass compass", { enter: true });
        const first = await waitForResults(page, { when: "r.query === 'brass compass'" });
        assert.equal(first.search, "?q=brass+compass");
        assert.equal(titles(first)[0], "Brass compass");
        assert.equal(first.field, "brass compass");
        assert.ok(first.hits[0].marks.includes("Brass") && first.hits[0].marks.includes("compass"));
        // The information line names the words found on the page.
        assert.match(first.hits[0].info, /^brass, compass - \d+ KB$/);
        assert.equal(first.newSearch, "search.html");
        assert.ok(await sameDocument(page), "the first search reloaded the page");

        await page.type("#q", "secret prices", { enter: true });
        const none = await waitForResults(page, { when: "r.query === 'secret prices'" });
        // The private folder was left out of the index.
        assert.equal(count(none), 0);
        assert.match(none.count, /^Find 0 items$/);
        assert.ok(await sameDocument(page), "the second search reloaded the page");

        await page.back();
        const back = await waitForResults(page, { when: "r.query === 'brass compass'" });
        assert.deepEqual(titles(back), titles(first));
        assert.equal(back.field, "brass compass");
        await page.back();
        await page.waitFor(onSearchPage, { what: "the search page after Back" });
        assert.equal(await page.evaluate(() => location.search), "");
        await page.forward();
        const forward = await waitForResults(page, { when: "r.query === 'brass compass'" });
        assert.deepEqual(titles(forward), titles(first));
        assert.ok(await sameDocument(page), "Back and Forward reloaded the page");
        assertClean(page);
        return { first, page };
    } catch (error) {
        await page.close();
        throw error;
    }
}

describe("window type 0: the same window", () => {
    test("from file: searches stay in the page, and Back and Forward walk them", async () => {
        const { first, page } = await sameWindowRoundTrip(fileUrl(out.same, "/"));
        // Hits link to the pages, relative to the search page.
        assert.equal(first.hits[0].href, "products/compass.html");
        assert.match(first.hits[0].url, /products\/compass\.html/);
        await page.close();
    });

    test("the address opens the same results in a fresh page, and after a reload", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html"));
        await page.type("#q", "lantern", { enter: true });
        const inPlace = await waitForResults(page, { when: "r.query === 'lantern'" });
        assert.ok(count(inPlace) > 1);

        const fresh = await browser.newPage();
        await fresh.goto(inPlace.href);
        const loaded = await waitForResults(fresh);
        assert.deepEqual(titles(loaded), titles(inPlace));
        assert.equal(loaded.count, inPlace.count);
        assert.equal(loaded.field, "lantern");

        await page.send("Page.reload");
        const reloaded = await waitForResults(page, { when: "r.query === 'lantern'" });
        assert.deepEqual(titles(reloaded), titles(inPlace));
        assertClean(page);
        assertClean(fresh);
        await fresh.close();
        await page.close();
    });

    test("New Search shows the search page again, and Back the results", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html"));
        await markDocument(page);
        await page.type("#q", "wick", { enter: true });
        await waitForResults(page, { when: "r.query === 'wick'" });
        await page.click("a.fl-new-search");
        await page.waitFor(onSearchPage, { what: "the search page" });
        await page.waitFor(() => document.activeElement && document.activeElement.id === "q",
            { what: "the search field to take the focus" });
        // The restored search page still searches in place.
        await page.type("#q", "glass", { enter: true });
        await waitForResults(page, { when: "r.query === 'glass'" });
        await page.back();
        await page.waitFor(onSearchPage, { what: "the search page after Back" });
        await page.back();
        await waitForResults(page, { when: "r.query === 'wick'" });
        assert.ok(await sameDocument(page));
        assertClean(page);
        await page.close();
    });

    test("the search page prepares the index before the first search", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html"));
        // Title, keywords, description and text of every page, without a search.
        await page.waitFor(() => {
            const index = Findlark.indexFor(arrFiles, fileNum);
            return [1, 2, 3, 4].every((f) => index.corpora[f] && index.corpora[f].length === fileNum);
        }, { what: "the prepared index" });
        assert.equal(await page.evaluate(() => Findlark.indexFor(arrFiles, fileNum).corpora[5]), undefined);
        await page.type("#q", "harbour", { enter: true });
        assert.ok(count(await waitForResults(page, { when: "r.query === 'harbour'" })) > 0);
        assertClean(page);
        await page.close();
    });

    test("where the address cannot be kept, the form loads the results page", async () => {
        const page = await browser.newPage();
        // A browser that refuses pushState for such pages.
        await page.send("Page.addScriptToEvaluateOnNewDocument", {
            source: "History.prototype.pushState = function () { throw new DOMException('refused', 'SecurityError'); };"
        });
        await page.goto(fileUrl(out.same, "search.html"));
        await markDocument(page);
        await page.type("#q", "wick", { enter: true });
        const r = await waitForResults(page, { when: "r.query === 'wick'" });
        assert.equal(r.search, "?q=wick");
        assert.equal(await sameDocument(page), false, "the page was not loaded");
        assertClean(page);
        await page.close();
    });

    test("from a web server as well", async () => {
        const server = await serve(out.same);
        try {
            const { page } = await sameWindowRoundTrip(server.origin + "/");
            await page.close();
            // The index was read once for all those searches.
            assert.equal(server.requests.filter((p) => p === "/webdata.js").length, 1);
        } finally {
            await server.close();
        }
    });
});

describe("window type 1: a window of its own", () => {
    test("the results open in a named window that takes the further searches", async () => {
        const { opener, results } = await searchInResultsWindow(browser, out.window, "lantern");
        const first = await waitForResults(results, { when: "r.query === 'lantern'" });
        assert.equal(await results.evaluate(() => window.name), "findlark_results");
        assert.ok(first.closeButton, "no Close Window button");
        assert.equal(first.search, "?q=lantern");
        // The search page stays as it was.
        assert.equal(await opener.evaluate(() => location.search + (document.getElementById("fl-results") ? "!" : "")), "");

        // A further search from the search page goes to the same window, which shows it in place.
        await markDocument(results);
        await opener.type("#q", "wick", { enter: true });
        const second = await waitForResults(results, { when: "r.query === 'wick'" });
        assert.equal(second.search, "?q=wick");
        assert.ok(await sameDocument(results), "the results window loaded a new page");
        assert.equal(browser.pages().filter((p) => p.openerId === opener.targetId).length, 1);

        // Its own form and Back work in place too.
        await results.type("#q", "glass", { enter: true });
        await waitForResults(results, { when: "r.query === 'glass'" });
        await results.back();
        await waitForResults(results, { when: "r.query === 'wick'" });
        await results.back();
        const back = await waitForResults(results, { when: "r.query === 'lantern'" });
        assert.deepEqual(titles(back), titles(first));
        assert.ok(await sameDocument(results));

        await results.click("button.fl-close");
        await results.waitForClose();
        assertClean(results, "the results window");

        // With the window closed, the next search opens a new one.
        await opener.type("#q", "compass", { enter: true });
        const again = await browser.waitForPage((p) => p.openerId === opener.targetId && p !== results);
        await waitForResults(again, { when: "r.query === 'compass'" });
        assertClean(again, "the new results window");
        assertClean(opener, "the search page");
        await again.close();
        await opener.close();
    });

    test("a results window left for a hit page is replaced by a new load", async () => {
        const { opener, results } = await searchInResultsWindow(browser, out.window, "lantern");
        await waitForResults(results, { when: "r.query === 'lantern'" });
        // The window goes somewhere else; the search page must not talk to it as to results.
        await results.goto(fileUrl(out.window, "style.css"));
        await opener.type("#q", "wick", { enter: true });
        const second = await waitForResults(results, { when: "r.query === 'wick'" });
        assert.equal(second.search, "?q=wick");
        assertClean(results);
        assertClean(opener);
        await results.close();
        await opener.close();
    });
});

describe("window type 2: the results frame", () => {
    const frame = (page) => () => page.frameNamed(FRAME);

    async function frameRoundTrip(url) {
        const page = await browser.newPage();
        await page.goto(url);
        assert.equal(await page.evaluate(() => document.querySelector("iframe").hidden), true);
        await page.type("#q", "lantern", { enter: true });
        const first = await waitForResults(page, { frame: frame(page), when: "r.query === 'lantern'" });
        assert.match(await page.evaluate(() => location.href), /\/FrameSearch\.html\?q=lantern$/);
        // Hits open in the whole window.
        assert.ok(first.hits.length > 0);
        assert.equal(await page.evaluateIn(frame(page)(), () => document.querySelector("a.fl-hit-title").target), "_top");
        await markDocument(page, frame(page)());
        await markDocument(page);

        // The frame page's form: the frame shows it in place, the frame page keeps the address.
        await page.type("#q", "wick", { enter: true });
        const second = await waitForResults(page, { frame: frame(page), when: "r.query === 'wick'" });
        assert.match(await page.evaluate(() => location.href), /\/FrameSearch\.html\?q=wick$/);
        assert.match(second.href, /\/search\.html\?q=wick$/);
        assert.ok(await sameDocument(page, frame(page)()), "the frame loaded a new page");
        assert.ok(await sameDocument(page), "the frame page was loaded again");

        // The result page's own form is hidden in the frame: the frame page has one.
        assert.equal(await page.evaluateIn(frame(page)(), () => document.querySelector("form").offsetHeight), 0);
        await page.type("#q", "glass", { enter: true });
        await waitForResults(page, { frame: frame(page), when: "r.query === 'glass'" });
        assert.equal(await page.evaluate(() => location.search), "?q=glass");
        assert.ok(await sameDocument(page, frame(page)()));

        await page.back();
        await waitForResults(page, { frame: frame(page), when: "r.query === 'wick'" });
        await page.waitFor(() => location.search === "?q=wick" && document.getElementById("q").value === "wick",
            { what: "the frame page after Back" });
        await page.back();
        const back = await waitForResults(page, { frame: frame(page), when: "r.query === 'lantern'" });
        assert.deepEqual(titles(back), titles(first));
        await page.forward();
        await waitForResults(page, { frame: frame(page), when: "r.query === 'wick'" });
        assert.ok(await sameDocument(page, frame(page)()));
        assertClean(page);

        // The frame page's address opens the same search.
        const fresh = await browser.newPage();
        await fresh.goto(await page.evaluate(() => location.href));
        const loaded = await waitForResults(fresh, { frame: frame(fresh) });
        assert.equal(loaded.query, "wick");
        assert.equal(await fresh.evaluate(() => document.getElementById("q").value), "wick");
        assertClean(fresh);
        await fresh.close();
        await page.close();
    }

    test("from file:", async () => {
        await frameRoundTrip(fileUrl(out.frame, "FrameSearch.html"));
    });

    test("from a web server", async () => {
        const server = await serve(out.frame);
        try {
            await frameRoundTrip(server.origin + "/FrameSearch.html");
            assert.equal(server.requests.filter((p) => p === "/webdata.js").length, 2, server.requests.join(" "));
        } finally {
            await server.close();
        }
    });

    test("the frame page alone is a plain search page", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.frame, "FrameSearch.html"));
        assert.equal(await page.evaluate(() => document.querySelectorAll("iframe:not([hidden])").length), 0);
        assert.equal(await page.evaluate(readResults), null);
        assertClean(page);
        await page.close();
    });
});
