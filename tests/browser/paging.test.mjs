// Pages of results: Next, Previous and the page numbers, the page number in
// the address, Back to the page before, in every window type; and the
// search engine of a real website copy (the SQLite documentation), whose
// hits lead to its pages.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { Program, fileUrl, page as html, query, realSite, tempDir, writeSite, cleanUp } from "./fixture.mjs";
import { assertClean, count, markDocument, sameDocument, startBrowser, waitForResults, hitTitles, searchInResultsWindow } from "./pages.mjs";

const PAGES = 35;
let program, browser, siteDir;
const out = {};

before(async () => {
    program = new Program();
    siteDir = tempDir("paging-site");
    const pages = {};
    for (let i = 1; i <= PAGES; i++) {
        const n = String(i).padStart(2, "0");
        // More occurrences rank higher, so page 35 comes first and page 1 last.
        pages[`p${n}.html`] = html({ title: `Page ${n}`, body: `<p>${"alpha ".repeat(i)} filler${n}</p>` });
    }
    writeSite(siteDir, pages);
    program.index(siteDir);
    out.same = program.make({ OutputWindowType: 0 });
    out.window = program.make({ OutputWindowType: 1 });
    out.frame = program.make({ OutputWindowType: 2 });
    browser = await startBrowser();
});

after(() => cleanUp({ browser, program, siteDir }));

const titles = hitTitles;
const expectedTitles = (p) => Array.from({ length: PAGES }, (_, k) => `Page ${String(PAGES - k).padStart(2, "0")}`)
    .slice((p - 1) * 10, p * 10);

describe("paging in the same window", () => {
    test("Next, a page number and Previous change the address; Back returns page by page", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html"));
        await markDocument(page);
        await page.type("#q", "alpha", { enter: true });
        const first = await waitForResults(page, { when: "r.query === 'alpha'" });
        assert.equal(count(first), PAGES);
        assert.equal(first.current, "1");
        assert.deepEqual(titles(first), expectedTitles(1));
        assert.deepEqual(first.pageLinks.map((l) => l.text), ["2", "3", "4", "Next"]);
        // Every hit has its word marked.
        for (const hit of first.hits) assert.ok(hit.marks.includes("alpha"), hit.title);

        await page.click("nav.fl-pages a.fl-next");
        const second = await waitForResults(page, { when: "r.current === '2'" });
        assert.equal(second.search, "?q=alpha&p=2");
        assert.deepEqual(titles(second), expectedTitles(2));
        assert.equal(await page.evaluate(() => window.scrollY), 0);

        await page.click("nav.fl-pages a.fl-page[href$='p=4']");
        const fourth = await waitForResults(page, { when: "r.current === '4'" });
        assert.equal(fourth.search, "?q=alpha&p=4");
        assert.deepEqual(titles(fourth), expectedTitles(4));
        assert.equal(fourth.hits.length, 5);
        assert.equal(fourth.pageLinks.at(-1).text, "3");
        assert.equal(fourth.pageLinks[0].text, "Previous");

        await page.click("nav.fl-pages a.fl-prev");
        const third = await waitForResults(page, { when: "r.current === '3'" });
        assert.deepEqual(titles(third), expectedTitles(3));

        await page.back();
        await waitForResults(page, { when: "r.current === '4'" });
        await page.back();
        await waitForResults(page, { when: "r.current === '2'" });
        await page.back();
        const back = await waitForResults(page, { when: "r.current === '1'" });
        assert.equal(back.search, "?q=alpha");
        assert.ok(await sameDocument(page), "paging loaded a new page");
        assertClean(page);

        // A page's address opens that page; a number past the end, the last page.
        const fresh = await browser.newPage();
        await fresh.goto(fileUrl(out.same, "search.html", "?q=alpha&p=3"));
        assert.deepEqual(titles(await waitForResults(fresh)), expectedTitles(3));
        await fresh.goto(fileUrl(out.same, "search.html", "?q=alpha&p=99"));
        const last = await waitForResults(fresh);
        assert.equal(last.current, "4");
        assert.deepEqual(titles(last), expectedTitles(4));
        await fresh.goto(fileUrl(out.same, "search.html", "?q=alpha&p=-2"));
        assert.equal((await waitForResults(fresh)).current, "1");
        assertClean(fresh);
        await fresh.close();
        await page.close();
    });

    test("a click that opens a new tab is left to the browser", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.same, "search.html", query("alpha")));
        await waitForResults(page);
        await markDocument(page);
        const before = new Set(browser.pages());
        // Ctrl (2) + click: a background tab with page 2; this page stays on page 1.
        await page.click("nav.fl-pages a.fl-next", { modifiers: 2 });
        const tab = await browser.waitForPage((p) => !before.has(p));
        assert.equal((await waitForResults(tab)).current, "2");
        assert.equal((await waitForResults(page)).current, "1");
        assert.ok(await sameDocument(page));
        await tab.close();
        await page.close();
    });
});

describe("paging in the other window types", () => {
    test("in the results window", async () => {
        const { opener, results } = await searchInResultsWindow(browser, out.window, "alpha");
        await waitForResults(results, { when: "r.current === '1'" });
        await markDocument(results);
        await results.click("nav.fl-pages a.fl-next");
        const second = await waitForResults(results, { when: "r.current === '2'" });
        assert.equal(second.search, "?q=alpha&p=2");
        assert.deepEqual(titles(second), expectedTitles(2));
        await results.back();
        await waitForResults(results, { when: "r.current === '1'" });
        assert.ok(await sameDocument(results));
        assertClean(results);
        assertClean(opener);
        await results.close();
        await opener.close();
    });

    test("in the results frame, the frame page keeps the address", async () => {
        const page = await browser.newPage();
        const frame = () => page.frameNamed("findlark-results");
        await page.goto(fileUrl(out.frame, "FrameSearch.html", query("alpha")));
        const first = await waitForResults(page, { frame, when: "r.current === '1'" });
        // Page links name the frame page and the whole window.
        assert.ok(first.pageLinks.every((l) => /^FrameSearch\.html\?q=alpha&p=\d$/.test(l.href) && l.target === "_top"),
            JSON.stringify(first.pageLinks));
        await markDocument(page, frame());
        await markDocument(page);
        await page.click("nav.fl-pages a.fl-next", { frame: frame() });
        // The frame page takes the address when the frame's message arrives.
        const address = (search) => page.waitFor((s) => location.search === s, { args: [search], what: `the address ${search}` });
        const second = await waitForResults(page, { frame, when: "r.current === '2'" });
        assert.deepEqual(titles(second), expectedTitles(2));
        await address("?q=alpha&p=2");
        await page.click("nav.fl-pages a.fl-page[href$='p=4']", { frame: frame() });
        await waitForResults(page, { frame, when: "r.current === '4'" });
        await address("?q=alpha&p=4");
        await page.back();
        await waitForResults(page, { frame, when: "r.current === '2'" });
        await address("?q=alpha&p=2");
        await page.back();
        await waitForResults(page, { frame, when: "r.current === '1'" });
        assert.ok(await sameDocument(page, frame()), "the frame loaded a new page");
        assert.ok(await sameDocument(page), "the frame page was loaded again");
        assertClean(page);
        await page.close();
    });
});

describe("a real website copy", () => {
    let site, records;

    before(() => {
        if (!fs.existsSync(realSite)) return;
        site = path.join(tempDir("real-site"), "site");
        fs.cpSync(realSite, site, { recursive: true });
        records = program.index(site);
        // The search files go into the site's own folder, as they are published.
        program.make({ OutputWindowType: 0 }, site);
    });

    after(() => {
        if (site) fs.rmSync(path.dirname(site), { recursive: true, force: true });
    });

    test("searches, pages through the results and opens a hit", async (t) => {
        if (!site) {
            t.skip(`${realSite} is missing (apt-get install sqlite3-doc)`);
            return;
        }
        assert.ok(records > 500, `only ${records} pages indexed`);
        const page = await browser.newPage();
        await page.goto(fileUrl(site, "search.html"));
        await markDocument(page);

        const counts = {};
        for (const [m, label] of [["1", "any"], ["0", "all"], ["2", "phrase"]]) {
            await page.goto(fileUrl(site, "search.html", query("virtual table", { m })));
            const r = await waitForResults(page);
            counts[label] = count(r);
            // Matches are marked in what is shown.
            assert.ok(r.hits.some((h) => h.marks.some((mark) => /^virtual table$/i.test(mark)) || m !== "2"));
        }
        assert.ok(counts.phrase > 10 && counts.phrase <= counts.all && counts.all <= counts.any, JSON.stringify(counts));

        await page.goto(fileUrl(site, "search.html"));
        await markDocument(page);
        await page.type("#q", "virtual table", { enter: true });
        const first = await waitForResults(page, { when: "r.query === 'virtual table'" });
        assert.equal(count(first), counts.all);
        assert.equal(first.hits.length, 10);
        await page.click("nav.fl-pages a.fl-next");
        const second = await waitForResults(page, { when: "r.current === '2'" });
        assert.notDeepEqual(titles(second), titles(first));
        assert.ok(await sameDocument(page));
        assertClean(page);

        // A hit is a page of the site: following it opens that page.
        const hit = second.hits[0];
        assert.ok(fs.existsSync(path.join(site, hit.href)), hit.href);
        await page.click("li.fl-hit a.fl-hit-title");
        await page.waitFor(() => !document.getElementById("fl-results") && location.pathname.endsWith(".html"),
            { what: "the hit's page" });
        assert.equal(await page.evaluate(() => location.pathname.split("/").pop()), path.basename(hit.href));
        await page.back();
        const back = await waitForResults(page, { when: "r.current === '2'" });
        assert.deepEqual(titles(back), titles(second));
        await page.close();
    });
});
