// "Did you mean": which query the result page offers, and how. Which word a
// slip becomes is the shared corpus's part (tests/parity/corpus.json).
import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, run, q, PLAIN_LINKS } from "./engine.mjs";

function suggestionOf(html) {
    const line = /<p class="fl-suggestion">.*?<\/p>/.exec(html);
    return line ? line[0] : null;
}

test("a word that finds nothing is corrected in the query, which stays as typed around it", () => {
    const ctx = loadEngine({}, [
        { link: "a.htm", title: "Pathlib", text: "pathlib joins paths; a<b compares" },
        { link: "b.htm", title: "Paths", text: "paths and folders" },
        { link: "c.htm", title: "Joinery", text: "wood joinz" }
    ]);
    assert.equal(suggestionOf(run(ctx, q("Joins pathlb a<b", "&m=0&s=0")).html),
        "<p class=\"fl-suggestion\">Did you mean <a class=\"fl-suggested\" " +
        "href=\"search.html?q=Joins+pathlib+a%3Cb&amp;m=0&amp;s=0\">Joins pathlib a&lt;b</a>?</p>");
    // The words of a phrase are corrected one by one.
    assert.match(run(ctx, q("pathlb joins", "&m=2")).html, /href="search.html\?q=pathlib\+joins&amp;m=2">pathlib joins</);
    // A correction that finds nothing is not offered: no page holds both.
    assert.equal(suggestionOf(run(ctx, q("folders pathlb")).html), null);
    // Only the searched fields' words count: "joins" stands in no title.
    assert.match(run(ctx, q("joinsx")).html, />joins<\/a>/);
    assert.equal(suggestionOf(run(ctx, q("joinsx", "&s=1")).html), null);
});

test("a word that finds pages is corrected only when the correction finds many times more", () => {
    const pages = (n) => Array.from({ length: n }, (_, k) => ({ link: `r${k}.htm`, title: "Recursion", text: "recursion" }));
    const typo = { link: "typo.htm", title: "Typo", text: "recusion" };
    // Ten times the one page it finds: offered.
    assert.match(run(loadEngine({}, [typo, ...pages(10)]), q("recusion")).html, /Did you mean <a[^>]*>recursion</);
    assert.equal(suggestionOf(run(loadEngine({}, [typo, ...pages(9)]), q("recusion")).html), null);
    // The word qualifies, but the query found three pages and its correction twelve.
    const walks = [1, 2].map((k) => ({ link: `w${k}.htm`, title: "Walk", text: "walk" }));
    assert.equal(suggestionOf(run(loadEngine({}, [typo, ...walks, ...pages(10)]), q("walk recusion", "&m=1")).html), null);
});

test("a query that finds what it asks for is offered nothing and builds no word lists", () => {
    const ctx = loadEngine({}, [
        { link: "a.htm", title: "Lantern", text: "a lantern" },
        { link: "b.htm", title: "Lanterns", text: "lanterns" },
        { link: "c.htm", title: "Latern", text: "latern" }
    ]);
    assert.equal(suggestionOf(run(ctx, q("lantern")).html), null);
    const index = ctx.Findlark.indexFor(ctx.arrFiles, ctx.fileNum);
    assert.equal(index.nearTables, undefined);
    // A miss builds them.
    assert.match(run(ctx, q("lantren")).html, /Did you mean/);
    assert.notEqual(index.nearTables, undefined);
});

test("a page that must index the words first answers at once and offers the correction when they are", () => {
    const ctx = loadEngine({}, [
        { link: "a.htm", title: "Pathlib", text: "pathlib joins paths" },
        { link: "b.htm", title: "Paths", text: "paths and folders" }
    ]);
    const F = ctx.Findlark;
    const options = F.readOptions();
    const request = F.requestFrom(F.parseParams(q("pathlb")), options);
    const page = () => F.searchPage(request, { records: ctx.arrFiles, count: ctx.fileNum, options,
        strings: F.readStrings(), links: PLAIN_LINKS, waitForWords: true });
    const first = page();
    assert.equal(first.suggestionLater, true);
    assert.equal(suggestionOf(first.html), null);
    const index = F.indexFor(ctx.arrFiles, ctx.fileNum);
    for (const field of F.fieldsFor(request.strategy)) while (!index.prepareWords(field, 1));
    const later = page();
    assert.equal(later.suggestionLater, false);
    assert.match(later.html, /Did you mean <a[^>]*>pathlib</);
});
