import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, found, q, run, plain } from "./engine.mjs";

const fruit = [
    ["both.htm", "Fruit", "apple banana split"],
    ["apple.htm", "Fruit", "an apple a day"],
    ["banana.htm", "Fruit", "banana and cherry"],
    ["reversed.htm", "Fruit", "banana apple"],
    ["none.htm", "Fruit", "nothing here"]
];

test("matching strategies", async (t) => {
    const ctx = loadEngine({}, fruit);

    await t.test("all words: every word must occur, in any order", () => {
        assert.deepEqual(found(ctx, q("apple banana", "&m=0")).sort(), ["both.htm", "reversed.htm"]);
    });

    await t.test("any word: pages with more of the words come first", () => {
        const links = found(ctx, q("apple cherry split", "&m=1"));
        assert.deepEqual([...links].sort(), ["apple.htm", "banana.htm", "both.htm", "reversed.htm"]);
        // both.htm holds apple and split, the others one word each.
        assert.equal(links[0], "both.htm");
    });

    await t.test("exact phrase: the words together and in order", () => {
        assert.deepEqual(found(ctx, q("apple banana", "&m=2")), ["both.htm"]);
        assert.deepEqual(found(ctx, q("banana apple", "&m=2")), ["reversed.htm"]);
        assert.deepEqual(found(ctx, q("apple split", "&m=2")), []);
        // Quotes around the phrase are not part of it.
        assert.deepEqual(found(ctx, q("\"apple banana\"", "&m=2")), ["both.htm"]);
    });

    await t.test("the MatchingStrategy option applies when the address chooses nothing", () => {
        const any = loadEngine({ MatchingStrategy: 1 }, fruit);
        assert.equal(found(any, q("apple cherry")).length, 4);
        const phrase = loadEngine({ MatchingStrategy: 2 }, fruit);
        assert.deepEqual(found(phrase, q("apple banana")), ["both.htm"]);
        // ... and the address overrides it.
        assert.deepEqual(found(phrase, q("apple banana", "&m=0")).sort(), ["both.htm", "reversed.htm"]);
    });

    await t.test("a phrase matches across any run of blanks in the page", () => {
        const spaced = loadEngine({}, [["a.htm", "T", "red\t  green&nbsp; blue"]]);
        assert.deepEqual(found(spaced, q("red green blue", "&m=2")), ["a.htm"]);
        assert.deepEqual(found(spaced, q("red blue", "&m=2")), []);
    });

    await t.test("a word matches inside longer words", () => {
        const words = loadEngine({}, [["a.htm", "T", "Indexing and reindexed"], ["b.htm", "T", "indices"]]);
        assert.deepEqual(found(words, q("index")), ["a.htm"]);
    });

    await t.test("repeated words count once; in a phrase they stay", () => {
        const bye = loadEngine({}, [["a.htm", "T", "bye now"], ["b.htm", "T", "bye bye"]]);
        assert.deepEqual(found(bye, q("bye bye")).sort(), ["a.htm", "b.htm"]);
        assert.deepEqual(found(bye, q("bye bye", "&m=2")), ["b.htm"]);
    });
});

test("search strategies choose the fields", async (t) => {
    const records = [
        { link: "title.htm", title: "Zebra crossing", text: "plain" },
        { link: "text.htm", title: "Plain", text: "a zebra in the text" },
        { link: "keywords.htm", title: "Plain", text: "plain", keywords: "animals, zebra" },
        { link: "description.htm", title: "Plain", text: "plain", description: "About the zebra" },
        { link: "linkdesc.htm", title: "Plain", text: "plain", linkDescription: "zebra" }
    ];
    const ctx = loadEngine({}, records);

    await t.test("0 searches title, text, keywords and description", () => {
        assert.deepEqual(found(ctx, q("zebra", "&s=0")).sort(),
            ["description.htm", "keywords.htm", "text.htm", "title.htm"]);
    });
    await t.test("1 searches titles only", () => {
        assert.deepEqual(found(ctx, q("zebra", "&s=1")), ["title.htm"]);
    });
    await t.test("2 searches keywords only", () => {
        assert.deepEqual(found(ctx, q("zebra", "&s=2")), ["keywords.htm"]);
    });
    await t.test("3 searches descriptions only", () => {
        assert.deepEqual(found(ctx, q("zebra", "&s=3")), ["description.htm"]);
    });
    await t.test("the SearchStrategy option applies when the address chooses nothing", () => {
        const titles = loadEngine({ SearchStrategy: 1 }, records);
        assert.deepEqual(found(titles, q("zebra")), ["title.htm"]);
        assert.equal(found(titles, q("zebra", "&s=0")).length, 4);
    });
    await t.test("all words may be spread over the searched fields", () => {
        const spread = loadEngine({}, [{ link: "a.htm", title: "Zebra", text: "crossing" }]);
        assert.deepEqual(found(spread, q("zebra crossing")), ["a.htm"]);
        assert.deepEqual(found(spread, q("zebra crossing", "&s=1")), []);
    });
});

test("case-insensitive for all of Unicode", async (t) => {
    const records = [
        ["latin.htm", "ÉCOLE Française", "Ångström"],
        ["greek.htm", "ΟΔΟΣ", "Σοφία"],
        ["cyrillic.htm", "МОСКВА", "Улица"],
        ["turkish.htm", "İstanbul", "text"],
        ["deseret.htm", "\u{10400}bc", "astral capital"],
        ["ascii.htm", "Hello World", "MiXeD CaSe"]
    ];
    const ctx = loadEngine({}, records);

    await t.test("upper and lower case find each other", () => {
        assert.deepEqual(found(ctx, q("école")), ["latin.htm"]);
        assert.deepEqual(found(ctx, q("FRANÇAISE")), ["latin.htm"]);
        assert.deepEqual(found(ctx, q("ångström")), ["latin.htm"]);
        assert.deepEqual(found(ctx, q("москва")), ["cyrillic.htm"]);
        assert.deepEqual(found(ctx, q("mixed case", "&m=2")), ["ascii.htm"]);
    });
    await t.test("final and medial sigma are one letter", () => {
        assert.deepEqual(found(ctx, q("οδος")), ["greek.htm"]);
        assert.deepEqual(found(ctx, q("ΟΔΟς")), ["greek.htm"]);
        assert.deepEqual(found(ctx, q("σοφια")), []);
        assert.deepEqual(found(ctx, q("σοφία")), ["greek.htm"]);
    });
    await t.test("dotted capital I folds to i and keeps positions", () => {
        assert.deepEqual(found(ctx, q("istanbul")), ["turkish.htm"]);
        const html = run(ctx, q("stanbul")).html;
        assert.match(html, /İ<mark[^>]*>stanbul<\/mark>/);
    });
    await t.test("letters outside the basic plane", () => {
        assert.deepEqual(found(ctx, q("\u{10428}BC")), ["deseret.htm"]);
    });
    await t.test("composed and decomposed accents are the same", () => {
        assert.deepEqual(found(ctx, q("e\u0301cole")), ["latin.htm"]);
        const decomposed = loadEngine({}, [["d.htm", "Cafe\u0301", "x"]]);
        assert.deepEqual(found(decomposed, q("café")), ["d.htm"]);
    });
});

test("character references are decoded before matching", async (t) => {
    const ctx = loadEngine({}, [
        ["named.htm", "Caf&eacute; &amp; Bar", "x"],
        ["decimal.htm", "T", "caf&#233; society"],
        ["hex.htm", "T", "CAF&#xC9; au lait"],
        ["quote.htm", "T", "don&rsquo;t panic"],
        ["cp1252.htm", "T", "it&#146;s fine"],
        ["plain.htm", "T", "AT&T and Q&A"]
    ]);

    await t.test("named, decimal and hexadecimal references", () => {
        assert.deepEqual(found(ctx, q("café")).sort(), ["decimal.htm", "hex.htm", "named.htm"]);
        assert.deepEqual(found(ctx, q("café & bar", "&m=2")), ["named.htm"]);
    });
    await t.test("typographic apostrophes match the typed one", () => {
        assert.deepEqual(found(ctx, q("don't")), ["quote.htm"]);
        assert.deepEqual(found(ctx, q("it's")), ["cp1252.htm"]);
        assert.deepEqual(found(ctx, q("don\u2019t")), ["quote.htm"]);
    });
    await t.test("a raw ampersand is ordinary text", () => {
        assert.deepEqual(found(ctx, q("AT&T")), ["plain.htm"]);
        assert.deepEqual(found(ctx, q("q&a")), ["plain.htm"]);
    });
    await t.test("the reference text itself is no longer there to find", () => {
        assert.deepEqual(found(ctx, q("eacute")), []);
    });
});

test("the index as webdata.js leaves it", async (t) => {
    await t.test("records throughout a large index are found with their own text", () => {
        const records = [];
        for (let i = 0; i < 300; i++) records.push([`p${i}.htm`, `Page ${i}`, `filler text of page ${i}`]);
        for (const i of [0, 63, 64, 65, 127, 128, 299]) records[i][2] += " needle";
        const ctx = loadEngine({}, records);
        const result = run(ctx, q("needle"));
        assert.deepEqual(plain(result.hits.map((h) => h.index)), [0, 63, 64, 65, 127, 128, 299]);
        const page = run(ctx, q("needle", "&p=1")).html;
        assert.match(page, /filler text of page 63 <mark/);
        assert.match(page, /filler text of page 299 <mark/);
    });
    await t.test("fileNum limits the records searched; without it, the array counts", () => {
        const records = [["a.htm", "T", "word"], ["b.htm", "T", "word"], ["c.htm", "T", "word"]];
        assert.deepEqual(found(loadEngine({}, records, { fileNum: 2 }), q("word")), ["a.htm", "b.htm"]);
        assert.equal(found(loadEngine({}, records, { fileNum: null }), q("word")).length, 3);
    });
    await t.test("a NUL in a page does not split its record", () => {
        const ctx = loadEngine({}, [["a.htm", "T", "one\u0000two"], ["b.htm", "T", "three"]]);
        assert.deepEqual(found(ctx, q("three")), ["b.htm"]);
        assert.deepEqual(found(ctx, q("two")), ["a.htm"]);
    });
    await t.test("holes and odd values in the array are skipped, not fatal", () => {
        const ctx = loadEngine({});
        ctx.arrFiles = [null, ["a.htm", "Word"], 42, ["b.htm", 7, "word", null]];
        ctx.fileNum = 4;
        assert.deepEqual(found(ctx, q("word")), ["a.htm", "b.htm"]);
        assert.deepEqual(found(ctx, q("7")), ["b.htm"]);
    });
    await t.test("a search prepares only the fields it searches", () => {
        const records = [];
        for (let i = 0; i < 100; i++) records.push([`p${i}.htm`, `Title ${i} comet`, `text ${i} comet`]);
        const ctx = loadEngine({ SearchStrategy: 1 }, records);
        const page = run(ctx, q("comet")).html;
        // The excerpts still show the text, folded hit by hit.
        assert.match(page, /text 0 <mark/);
        const index = ctx.Findlark.indexFor(ctx.arrFiles, ctx.fileNum);
        assert.deepEqual(Object.keys(index.corpora), [String(ctx.Findlark.TITLE)]);
    });
    await t.test("no index at all gives no hits", () => {
        const ctx = loadEngine({});
        const result = run(ctx, q("anything"));
        assert.equal(result.hits.length, 0);
        assert.match(result.html, /Find 0 items/);
    });
});

test("a phrase is found where its pattern finds it", () => {
    const F = loadEngine({}).Findlark;
    // Words that start or end with what a gap is made of make the gap give
    // characters back.
    const phrases = ["apple banana", "__init__ method", "a a", "x_ _y", "c++ code"];
    const pieces = ["apple", "banana", "__init__", "method", "a", " ", ", ", "_", "x_", "_y", "c++", "code", "-", "\u00a0"];
    let seed = 7;
    const random = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
    for (let n = 0; n < 400; n++) {
        const text = Array.from({ length: 12 }, () => pieces[Math.floor(random() * pieces.length)]).join("");
        for (const phrase of phrases) {
            const matcher = F.parseQuery(phrase, F.MATCH_PHRASE).matchers[0];
            const byPattern = [];
            const re = matcher.pattern;
            re.lastIndex = 0;
            for (let m; (m = re.exec(text)) !== null;) byPattern.push([m.index, m.index + m[0].length]);
            assert.deepEqual(JSON.parse(JSON.stringify(F.findAll(text, matcher, 1000))), byPattern, `${phrase} in ${JSON.stringify(text)}`);
        }
    }
});
