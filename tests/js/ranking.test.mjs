import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, found, q } from "./engine.mjs";

const many = (word, n) => Array(n).fill(word).join(" filler ");

test("ranking", async (t) => {
    await t.test("a whole word before the start of a word before a match inside a word", () => {
        const ctx = loadEngine({}, [
            { link: "inside.htm", title: "T", text: "the backhand swing, was then more" },
            { link: "start.htm", title: "T", text: "the key handkerchief was, then more" },
            { link: "whole.htm", title: "T", text: "the key hand was here, then more" }
        ]);
        assert.deepEqual(found(ctx, q("hand")), ["whole.htm", "start.htm", "inside.htm"]);
        // The same holds in the title.
        const titles = loadEngine({}, [
            { link: "inside.htm", title: "Backhand", text: "x" },
            { link: "whole.htm", title: "Hand made", text: "x" }
        ]);
        assert.deepEqual(found(titles, q("hand")), ["whole.htm", "inside.htm"]);
    });

    await t.test("more hits in the same field rank higher, and hits in a short page above those in a long one", () => {
        const ctx = loadEngine({}, [
            { link: "one.htm", title: "T", text: many("comet", 1) },
            { link: "long.htm", title: "T", text: many("comet", 2) + " " + "word ".repeat(4000) },
            { link: "three.htm", title: "T", text: many("comet", 3) },
            { link: "two.htm", title: "T", text: many("comet", 2) }
        ]);
        assert.deepEqual(found(ctx, q("comet")), ["three.htm", "two.htm", "one.htm", "long.htm"]);
    });

    await t.test("the query's words together and in order rank above the same words apart", () => {
        const apart = `foreign ${"word ".repeat(20)}key`;
        const ctx = loadEngine({}, [
            { link: "apart.htm", title: "T", text: apart },
            { link: "reversed.htm", title: "T", text: `key foreign ${"word ".repeat(20)}` },
            { link: "together.htm", title: "T", text: `foreign key ${"word ".repeat(20)}` }
        ]);
        assert.deepEqual(found(ctx, q("foreign key")), ["together.htm", "apart.htm", "reversed.htm"]);
    });

    await t.test("a title that is the query, or a part of it that is, comes first", () => {
        const ctx = loadEngine({}, [
            { link: "longer.htm", title: "Foreign key support", text: many("foreign key", 5) },
            { link: "exact.htm", title: "Foreign Keys \u2014 Manual", text: "foreign keys" },
            { link: "part.htm", title: "Manual: Foreign key", text: "x" }
        ]);
        assert.deepEqual(found(ctx, q("foreign key")).slice(0, 1), ["part.htm"]);
        assert.deepEqual(found(ctx, q("foreign keys")).slice(0, 1), ["exact.htm"]);
    });

    await t.test("a site's name on most titles does not count for a page", () => {
        const records = [];
        for (let i = 0; i < 9; i++) records.push({ link: `p${i}.htm`, title: `Topic ${i} | Comet Docs`, text: "comet" });
        records.push({ link: "about.htm", title: "About the comet | Comet Docs", text: "x" });
        const ctx = loadEngine({}, records);
        const links = found(ctx, q("comet"));
        assert.equal(links.length, 10, "the shared part still finds");
        assert.equal(links[0], "about.htm");
    });

    await t.test("a word on every page counts for little beside a rare one", () => {
        const records = [];
        for (let i = 0; i < 8; i++) records.push({ link: `p${i}.htm`, title: "T", text: "common word" });
        records.push({ link: "common.htm", title: "T", text: "common common common common rare" });
        records.push({ link: "rare.htm", title: "T", text: "common rare rare filler filler" });
        const ctx = loadEngine({}, records);
        assert.deepEqual(found(ctx, q("common rare")), ["rare.htm", "common.htm"]);
    });

    await t.test("the pieces of a dotted name in a title; a plain-text copy after its page", () => {
        const ctx = loadEngine({}, [
            { link: "_sources/path.txt", title: "NO TITLE", text: "os.path.join joins paths" },
            { link: "other.htm", title: "Examples", text: "os.path.join joins paths" },
            { link: "path.htm", title: "os.path \u2014 Pathnames", text: "os.path.join joins paths, more text here" }
        ]);
        assert.deepEqual(found(ctx, q("os.path.join")), ["path.htm", "other.htm", "_sources/path.txt"]);
    });

    await t.test("more of the query's words rank higher than more hits of one", () => {
        const ctx = loadEngine({}, [
            { link: "one-word.htm", title: "Comet comet", keywords: "comet", text: many("comet", 50) },
            { link: "two-words.htm", title: "T", text: "comet and tail" }
        ]);
        assert.deepEqual(found(ctx, q("comet tail", "&m=1")), ["two-words.htm", "one-word.htm"]);
    });

    await t.test("a page whose file name spells the query comes first, whole or joined", () => {
        const ctx = loadEngine({}, [
            { link: "docs/queryplanner-ng.htm", title: "T", text: "the query planner, an os path" },
            { link: "docs/queryplanner.htm", title: "T", text: "the query planner, an os path" },
            { link: "lib/os.path.htm", title: "T", text: "the query planner, an os path" },
            { link: "docs/other.htm", title: "T", text: "x" }
        ]);
        // The whole file name before one that only starts with the words.
        assert.deepEqual(found(ctx, q("query planner")),
            ["docs/queryplanner.htm", "docs/queryplanner-ng.htm", "lib/os.path.htm"]);
        assert.deepEqual(found(ctx, q("os path")), ["lib/os.path.htm", "docs/queryplanner-ng.htm", "docs/queryplanner.htm"]);
    });

    await t.test("a short page that its hits stand under rises above them", () => {
        const records = [
            { link: "asyncio-task.htm", title: "T", text: many("comet", 4) },
            { link: "asyncio-stream.htm", title: "T", text: many("comet", 3) },
            { link: "asyncio.htm", title: "T", text: "comet" },
            { link: "guide/one.htm", title: "T", text: many("comet", 4) },
            { link: "guide/two.htm", title: "T", text: many("comet", 3) },
            { link: "guide/index.htm", title: "T", text: "comet" }
        ];
        for (let i = 0; i < 6; i++) records.push({ link: `other${i}.htm`, title: "T", text: "x" });
        const ctx = loadEngine({}, records);
        assert.deepEqual(found(ctx, q("comet")).slice(0, 2).sort(), ["asyncio.htm", "guide/index.htm"]);
    });

    await t.test("ties keep index order", () => {
        const records = [];
        for (let i = 0; i < 120; i++) records.push({ link: `p${i}.htm`, title: "Same", text: "same comet and tail text" });
        const ctx = loadEngine({}, records);
        assert.deepEqual(found(ctx, q("comet")), records.map((r) => r.link));
        assert.deepEqual(found(ctx, q("comet tail")), records.map((r) => r.link), "across the pair window too");
    });

    await t.test("a better page later in the index still comes first", () => {
        const records = [];
        for (let i = 0; i < 150; i++) records.push({ link: `p${i}.htm`, title: "T", text: "comet" });
        records[140].title = "Comet";
        const ctx = loadEngine({}, records);
        const links = found(ctx, q("comet"));
        assert.equal(links[0], "p140.htm");
        assert.equal(links[1], "p0.htm");
        assert.equal(links.length, 150);
    });
});
