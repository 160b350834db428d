import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, found, q } from "./engine.mjs";

const many = (word, n) => Array(n).fill(word).join(" filler ");

test("ranking", async (t) => {
    await t.test("one hit in the title outweighs many in the text", () => {
        const ctx = loadEngine({}, [
            { link: "text.htm", title: "Other", text: many("comet", 60) },
            { link: "title.htm", title: "Comet", text: "nothing" }
        ]);
        assert.deepEqual(found(ctx, q("comet")), ["title.htm", "text.htm"]);
    });

    await t.test("keywords and description outweigh the text and weigh the same", () => {
        const ctx = loadEngine({}, [
            { link: "text.htm", title: "Other", text: many("comet", 60) },
            { link: "description.htm", title: "Other", text: "x", description: "a comet" },
            { link: "keywords.htm", title: "Other", text: "x", keywords: "comet" }
        ]);
        // Equal weight: index order decides between the two.
        assert.deepEqual(found(ctx, q("comet")), ["description.htm", "keywords.htm", "text.htm"]);
    });

    await t.test("the title outweighs keywords and description together", () => {
        const ctx = loadEngine({}, [
            { link: "meta.htm", title: "Other", text: many("comet", 30), keywords: many("comet", 9),
              description: many("comet", 9) },
            { link: "title.htm", title: "Comet", text: "x" }
        ]);
        assert.deepEqual(found(ctx, q("comet")), ["title.htm", "meta.htm"]);
    });

    await t.test("more hits in the same field rank higher", () => {
        const ctx = loadEngine({}, [
            { link: "one.htm", title: "T", text: many("comet", 1) },
            { link: "three.htm", title: "T", text: many("comet", 3) },
            { link: "two.htm", title: "T", text: many("comet", 2) }
        ]);
        assert.deepEqual(found(ctx, q("comet")), ["three.htm", "two.htm", "one.htm"]);
    });

    await t.test("more of the query's words rank higher than more hits of one", () => {
        const ctx = loadEngine({}, [
            { link: "one-word.htm", title: "Comet comet", keywords: "comet", text: many("comet", 50) },
            { link: "two-words.htm", title: "T", text: "comet and tail" }
        ]);
        assert.deepEqual(found(ctx, q("comet tail", "&m=1")), ["two-words.htm", "one-word.htm"]);
    });

    await t.test("ties keep index order", () => {
        const records = [];
        for (let i = 0; i < 12; i++) records.push({ link: `p${i}.htm`, title: "Same", text: "same comet text" });
        const ctx = loadEngine({}, records);
        assert.deepEqual(found(ctx, q("comet")), records.map((r) => r.link));
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
