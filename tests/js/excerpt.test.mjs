import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, run, q } from "./engine.mjs";

// Words w0 w1 w2 ... so that every position in the text is recognisable.
function numbered(from, to) {
    const words = [];
    for (let i = from; i < to; i++) words.push("w" + i);
    return words.join(" ");
}

// The excerpt of the first hit as plain text (marks and ellipses kept apart).
function excerptOf(html) {
    const m = /<p class="fl-hit-text"[^>]*>(.*?)<\/p>/.exec(html);
    assert.ok(m, "the hit has an excerpt");
    const inner = m[1];
    return {
        html: inner,
        text: inner.replace(/<[^>]+>/g, "").replace(/&amp;/g, "&").replace(/&lt;/g, "<").replace(/&gt;/g, ">"),
        marks: [...inner.matchAll(/<mark[^>]*>(.*?)<\/mark>/g)].map((x) => x[1])
    };
}

test("excerpts", async (t) => {
    const long = numbered(0, 200) + " Target " + numbered(200, 400);

    await t.test("about 250 characters, centred on the match, cut at word boundaries", () => {
        const ctx = loadEngine({}, [["a.htm", "T", long]]);
        const ex = excerptOf(run(ctx, q("target")).html);
        const body = ex.text.replace(/^\u2026 /, "").replace(/ \u2026$/, "");
        assert.ok(ex.text.startsWith("\u2026 ") && ex.text.endsWith(" \u2026"), "cut on both sides");
        assert.ok(body.length <= 250 && body.length >= 200, `length ${body.length}`);
        const at = body.indexOf("Target");
        const after = body.length - (at + "Target".length);
        assert.ok(Math.abs(at - after) <= 45, `match at ${at} with ${after} after it`);
        // Whole words at both ends.
        const words = body.split(" ");
        assert.match(words[0], /^w\d+$/);
        assert.match(words[words.length - 1], /^w\d+$/);
        assert.ok(long.includes(body), "a contiguous piece of the text");
    });

    await t.test("a match near an end keeps that end and shows no ellipsis there", () => {
        const start = loadEngine({}, [["a.htm", "T", "Target " + numbered(0, 300)]]);
        const first = excerptOf(run(start, q("target")).html).text;
        assert.ok(first.startsWith("Target "));
        assert.ok(first.endsWith(" \u2026"));
        const end = loadEngine({}, [["a.htm", "T", numbered(0, 300) + " Target"]]);
        const last = excerptOf(run(end, q("target")).html).text;
        assert.ok(last.startsWith("\u2026 "));
        assert.ok(last.endsWith(" Target"));
    });

    await t.test("a short text is shown whole", () => {
        const ctx = loadEngine({}, [["a.htm", "T", "  short text with target  "]]);
        assert.equal(excerptOf(run(ctx, q("target")).html).text, "short text with target");
    });

    await t.test("the place holding more of the words wins over the first match", () => {
        const text = "alpha " + numbered(0, 150) + " alpha beta " + numbered(150, 300);
        const ctx = loadEngine({}, [["a.htm", "T", text]]);
        const ex = excerptOf(run(ctx, q("alpha beta")).html);
        assert.ok(ex.text.includes("alpha beta"));
        assert.ok(!ex.text.startsWith("alpha"));
    });

    await t.test("every match inside the excerpt is marked, in the page's own letter case", () => {
        const ctx = loadEngine({ HitTextColor: "#123abc" }, [["a.htm", "T", "Index one, INDEX two, reindexing three"]]);
        const ex = excerptOf(run(ctx, q("index")).html);
        assert.deepEqual(ex.marks, ["Index", "INDEX", "index"]);
        assert.match(ex.html, /<mark class="fl-match" style="background:none;color:#123abc;font-weight:bold">/);
    });

    await t.test("overlapping matches of different words make one mark", () => {
        const ctx = loadEngine({}, [["a.htm", "T", "a searchlight here"]]);
        const ex = excerptOf(run(ctx, q("search archlight", "&m=1")).html);
        assert.deepEqual(ex.marks, ["searchlight"]);
    });

    await t.test("a phrase is marked as one piece", () => {
        const ctx = loadEngine({}, [["a.htm", "T", "the Red  Planet is red"]]);
        const ex = excerptOf(run(ctx, q("red planet", "&m=2")).html);
        assert.deepEqual(ex.marks, ["Red  Planet"]);
    });

    await t.test("without a match in the text the description is shown", () => {
        const ctx = loadEngine({}, [{ link: "a.htm", title: "Comet", text: numbered(0, 100), description: "All about comets" }]);
        const ex = excerptOf(run(ctx, q("comet")).html);
        assert.equal(ex.text, "All about comets");
        assert.deepEqual(ex.marks, ["comet"]);
    });

    await t.test("without a match and a description, the text's opening", () => {
        const ctx = loadEngine({}, [{ link: "a.htm", title: "Comet", text: numbered(0, 300) }]);
        const ex = excerptOf(run(ctx, q("comet")).html);
        assert.ok(ex.text.startsWith("w0 w1 w2"));
        assert.ok(ex.text.endsWith(" \u2026"));
        assert.ok(ex.text.length <= 252);
    });

    await t.test("never splits a character outside the basic plane", () => {
        const emoji = "\u{1F600}".repeat(400);
        const ctx = loadEngine({}, [["a.htm", "T", emoji + "x" + emoji]]);
        const ex = excerptOf(run(ctx, q("x")).html);
        assert.ok(ex.text.includes("x"));
        assert.ok(ex.text.isWellFormed(), "no lone surrogate");
    });

    await t.test("matches in the title are marked in the title colour", () => {
        const ctx = loadEngine({ HitTitleColor: "#00aa00" }, [["a.htm", "The Comet Book", "x"]]);
        const html = run(ctx, q("comet")).html;
        assert.match(html, /The <mark class="fl-match" style="background:none;color:#00aa00;font-weight:bold">Comet<\/mark> Book/);
    });
});
