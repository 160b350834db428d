// The matching strategies (all words, any word, exact phrase) and the search
// strategies (whole page, title, keywords, description), as the options'
// defaults, in the address and from the Advanced template's choices.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { Program, fileUrl, page as html, query, tempDir, writeSite, cleanUp } from "./fixture.mjs";
import { assertClean, markDocument, sameDocument, startBrowser, waitForResults, hitTitles } from "./pages.mjs";

let program, browser, siteDir;
const out = {};

before(async () => {
    program = new Program();
    siteDir = tempDir("strategy-site");
    writeSite(siteDir, {
        // "zephyr" in one field of each page.
        "t.html": html({ title: "Zephyr title", body: "plain words" }),
        "k.html": html({ title: "Keywords page", keywords: "zephyr, wind", body: "plain words" }),
        "d.html": html({ title: "Description page", description: "A zephyr blows", body: "plain words" }),
        "x.html": html({ title: "Text page", body: "the zephyr in the body text" }),
        // Two words together, apart, and one alone.
        "p1.html": html({ title: "Together", body: "a crimson jade lamp" }),
        "p2.html": html({ title: "Apart", body: "jade, then some words, then crimson" }),
        "p3.html": html({ title: "Alone", body: "only crimson here" })
    });
    program.index(siteDir);
    out.plain = program.make();
    out.phrase = program.make({ MatchingStrategy: 2 });
    out.keywords = program.make({ SearchStrategy: 2 });
    out.advanced = program.make({ SelTemplateName: "Advanced", MatchingStrategy: 1, SearchStrategy: 3 });
    out.advancedFrame = program.make({ SelTemplateName: "Advanced", OutputWindowType: 2 });
    browser = await startBrowser();
});

after(() => cleanUp({ browser, program, siteDir }));

const titles = hitTitles;

async function search(dir, search) {
    const page = await browser.newPage();
    try {
        await page.goto(fileUrl(dir, "search.html", search));
        const r = await waitForResults(page);
        assertClean(page);
        return r;
    } finally {
        await page.close();
    }
}

describe("matching strategies", () => {
    test("all words, any word, exact phrase from the address", async () => {
        const all = await search(out.plain, query("crimson jade", { m: "0" }));
        assert.deepEqual(titles(all).sort(), ["Apart", "Together"]);
        const any = await search(out.plain, query("crimson jade", { m: "1" }));
        assert.deepEqual(titles(any).sort(), ["Alone", "Apart", "Together"]);
        // Pages with both words rank before a page with one.
        assert.equal(titles(any)[2], "Alone");
        const phrase = await search(out.plain, query("crimson jade", { m: "2" }));
        assert.deepEqual(titles(phrase), ["Together"]);
        // The phrase is marked as one.
        assert.deepEqual(phrase.hits[0].marks, ["crimson jade"]);
        assert.deepEqual(any.hits.find((h) => h.title === "Apart").marks, ["jade", "crimson"]);
        // The page links carry the choice.
        assert.equal(phrase.search, "?q=crimson+jade&m=2");
    });

    test("the option is the default, the address overrides it", async () => {
        assert.deepEqual(titles(await search(out.phrase, query("crimson jade"))), ["Together"]);
        assert.equal((await search(out.phrase, query("crimson jade", { m: "1" }))).hits.length, 3);
        // A choice out of range falls back to the option.
        assert.deepEqual(titles(await search(out.phrase, query("crimson jade", { m: "7" }))), ["Together"]);
    });
});

describe("search strategies", () => {
    test("whole page, title, keywords, description from the address", async () => {
        const whole = await search(out.plain, query("zephyr", { s: "0" }));
        // A title hit outranks the keywords and the description (equal: index order), which outrank the text.
        assert.deepEqual(titles(whole), ["Zephyr title", "Description page", "Keywords page", "Text page"]);
        assert.deepEqual(titles(await search(out.plain, query("zephyr", { s: "1" }))), ["Zephyr title"]);
        assert.deepEqual(titles(await search(out.plain, query("zephyr", { s: "2" }))), ["Keywords page"]);
        assert.deepEqual(titles(await search(out.plain, query("zephyr", { s: "3" }))), ["Description page"]);
        // The description shows as the excerpt when the text has no match.
        const description = await search(out.plain, query("zephyr", { s: "3" }));
        assert.match(description.hits[0].text, /A zephyr blows/);
        assert.deepEqual(description.hits[0].marks, ["zephyr"]);
    });

    test("the option is the default", async () => {
        assert.deepEqual(titles(await search(out.keywords, query("zephyr"))), ["Keywords page"]);
        assert.equal((await search(out.keywords, query("zephyr", { s: "0" }))).hits.length, 4);
    });
});

describe("the Advanced template", () => {
    const choose = (page, m, s, frame = null) => page.evaluateIn(frame, (mv, sv) => {
        document.getElementById("m").value = mv;
        document.getElementById("s").value = sv;
        return true;
    }, m, s);
    const choices = (page) => page.evaluate(() => [document.getElementById("m").value, document.getElementById("s").value]);

    test("its choices start at the options and are sent with the search", async () => {
        const page = await browser.newPage();
        await page.goto(fileUrl(out.advanced, "search.html"));
        assert.deepEqual(await choices(page), ["1", "3"]);
        await markDocument(page);

        await choose(page, "2", "0");
        await page.type("#q", "crimson jade", { enter: true });
        const phrase = await waitForResults(page, { when: "r.query === 'crimson jade'" });
        assert.equal(phrase.search, "?q=crimson+jade&m=2&s=0");
        assert.deepEqual(titles(phrase), ["Together"]);
        assert.deepEqual([phrase.m, phrase.s], ["2", "0"]);

        await choose(page, "0", "1");
        await page.type("#q", "zephyr", { enter: true });
        const title = await waitForResults(page, { when: "r.query === 'zephyr'" });
        assert.equal(title.search, "?q=zephyr&m=0&s=1");
        assert.deepEqual(titles(title), ["Zephyr title"]);

        // Back shows the earlier search with its choices.
        await page.back();
        const back = await waitForResults(page, { when: "r.query === 'crimson jade'" });
        assert.deepEqual([back.m, back.s], ["2", "0"]);
        await page.back();
        await page.waitFor(() => !document.getElementById("fl-results"), { what: "the search page" });
        assert.deepEqual(await choices(page), ["1", "3"]);
        assert.ok(await sameDocument(page));
        assertClean(page);
        await page.close();
    });

    test("in a frame, the frame page sends its choices and keeps them in the address", async () => {
        const page = await browser.newPage();
        const frame = () => page.frameNamed("findlark-results");
        await page.goto(fileUrl(out.advancedFrame, "FrameSearch.html"));
        await choose(page, "1", "0");
        await page.type("#q", "crimson jade", { enter: true });
        const any = await waitForResults(page, { frame, when: "r.query === 'crimson jade'" });
        assert.equal(any.hits.length, 3);
        assert.equal(await page.evaluate(() => location.search), "?q=crimson+jade&m=1&s=0");
        await markDocument(page, frame());

        await choose(page, "2", "0");
        await page.type("#q", "crimson jade", { enter: true });
        const phrase = await waitForResults(page, { frame, when: "r.hits.length === 1" });
        assert.deepEqual(titles(phrase), ["Together"]);
        assert.equal(await page.evaluate(() => location.search), "?q=crimson+jade&m=2&s=0");
        assert.ok(await sameDocument(page, frame()));

        await page.back();
        await waitForResults(page, { frame, when: "r.hits.length === 3" });
        assert.deepEqual(await choices(page), ["1", "0"]);
        assertClean(page);
        await page.close();
    });
});
