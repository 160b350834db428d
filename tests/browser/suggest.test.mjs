// "Did you mean" on a result page opened fresh: the words are indexed after the
// hits show, and the line comes then.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { Program, fileUrl, page as html, tempDir, writeSite, cleanUp } from "./fixture.mjs";
import { assertClean, startBrowser, waitForResults } from "./pages.mjs";

let program, browser, siteDir, out;

before(async () => {
    program = new Program();
    siteDir = tempDir("suggest-site");
    const pages = {};
    for (let i = 1; i <= 12; i++) pages[`p${i}.html`] = html({ title: `Page ${i}`, body: "<p>lantern and harbor</p>" });
    writeSite(siteDir, pages);
    program.index(siteDir);
    out = program.make({ OutputWindowType: 0 });
    browser = await startBrowser();
});

after(() => cleanUp({ browser, program, siteDir }));

test("a slipped word opened as an address finds nothing first, then offers its correction", async () => {
    const page = await browser.newPage();
    await page.goto(fileUrl(out, "search.html") + "?q=lantren");
    await waitForResults(page, { when: "r.query === 'lantren'" });
    const link = await page.waitFor(() => {
        const a = document.querySelector(".fl-suggestion a.fl-suggested");
        return a && { text: a.textContent, href: a.getAttribute("href") };
    }, { what: "the suggestion" });
    assert.deepEqual(link, { text: "lantern", href: "search.html?q=lantern" });
    assertClean(page);
});
