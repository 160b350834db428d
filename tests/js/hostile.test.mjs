import test from "node:test";
import assert from "node:assert/strict";
import { loadEngine, run, found, q } from "./engine.mjs";

const records = [
    { link: "cpp.htm", title: "C++ and C#", text: "templates in c++ (the language) cost $5 or 50%" },
    { link: "dots.htm", title: "Dots", text: "axb c and a.b c" },
    { link: "plain.htm", title: "Plain", text: "nothing special (really)" }
];

// A page for the query that says what it searched for and found nothing.
function assertEmptyPage(result, shown) {
    assert.equal(result.hits.length, 0);
    assert.match(result.html, /^<div id="fl-results"/);
    assert.match(result.html, /Find 0 items/);
    if (shown !== undefined) assert.ok(result.html.includes(`<strong class="fl-query">${shown}</strong>`));
}

test("hostile queries give a sensible page", async (t) => {
    const ctx = loadEngine({}, records);

    await t.test("regular-expression characters are plain characters", () => {
        for (const m of ["0", "1", "2"]) {
            for (const query of ["(.*)+[a-z]{2,}\\", "[", ".*", "^$", "a|b", "(?=x)", "\\d+", "*", "?"]) {
                assert.doesNotThrow(() => run(ctx, q(query, "&m=" + m)), `${query} m=${m}`);
            }
        }
        assert.deepEqual(found(ctx, q("c++")), ["cpp.htm"]);
        assert.deepEqual(found(ctx, q("c#")), ["cpp.htm"]);
        assert.deepEqual(found(ctx, q("$5 50%")), ["cpp.htm"]);
        assert.deepEqual(found(ctx, q("a.b c", "&m=2")), ["dots.htm"]);
        assert.deepEqual(found(ctx, q("a.b")), ["dots.htm"]);
        assert.deepEqual(found(ctx, q("x.z")), []);
    });

    await t.test("punctuation around words is not searched for", () => {
        assert.deepEqual(found(ctx, q("(really)")), ["plain.htm"]);
        assert.deepEqual(found(ctx, q("special, really!", "&m=2")), ["plain.htm"]);
    });

    await t.test("empty, blank and punctuation-only queries find nothing", () => {
        assertEmptyPage(run(ctx, "?q="), "");
        assertEmptyPage(run(ctx, q("   \t  ")), "");
        assertEmptyPage(run(ctx, q("?!.,;:()[]{}\"'")));
        assertEmptyPage(run(ctx, q("... --- !!!", "&m=2")));
    });

    await t.test("a 10,000-character query is cut to a bounded search", () => {
        const words = [];
        for (let i = 0; words.join(" ").length < 10000; i++) words.push("word" + i);
        const huge = words.join(" ").slice(0, 10000);
        const result = run(ctx, q(huge));
        assertEmptyPage(result);
        assert.ok(result.query.raw.length <= 256);
        assert.ok(result.query.matchers.length <= 32);
        // Cut between words, never inside one.
        assert.ok(huge.startsWith(result.query.raw + " "));
        const one = run(ctx, q("x".repeat(10000)));
        assert.equal(one.query.raw.length, 256);
        assertEmptyPage(one);
        const many = run(ctx, q(Array(5000).fill("plain").join(" "), "&m=1"));
        assert.equal(many.hits.length, 1);
        assert.equal(many.query.matchers.length, 1);
    });

    await t.test("control characters cannot reach across records", () => {
        const two = loadEngine({}, [["a.htm", "T", "abc"], ["b.htm", "T", "def"]]);
        assertEmptyPage(run(two, q("abc\u0000def", "&m=2")));
        assertEmptyPage(run(two, "?q=c%00d"));
    });

    await t.test("unpaired surrogates and malformed escapes are survivable", () => {
        for (const search of ["?q=%ED%A0%80", "?q=%uD800", "?q=%", "?q=%%%", "?q=\uD800x", "?q=x&p=%FF"]) {
            const result = run(ctx, search);
            assert.ok(result.html.isWellFormed(), search);
        }
        const paged = loadEngine({}, Array.from({ length: 30 }, (_, i) => [`p${i}.htm`, "Word", "x"]));
        assert.match(run(paged, "?q=word%20\uD800&m=1").html, /href="search.html\?q=word\+%EF%BF%BD&amp;m=1&amp;p=2"/);
    });

    await t.test("names of the object prototype are ordinary words and references", () => {
        const ctx2 = loadEngine({}, [["a.htm", "constructor &constructor; &toString; __proto__", "hasOwnProperty"]]);
        assert.deepEqual(found(ctx2, q("constructor")), ["a.htm"]);
        assert.deepEqual(found(ctx2, q("&constructor;")), ["a.htm"]);
        assert.deepEqual(found(ctx2, q("__proto__ hasOwnProperty")), ["a.htm"]);
    });
});

test("character references", async (t) => {
    const F = loadEngine({}).Findlark;
    const decode = (s) => F.decodeReferences(s);

    await t.test("named ones of Latin-1, typography and Greek", () => {
        assert.equal(decode("caf&eacute; &Agrave; &yuml; &nbsp;|"), "café À ÿ \u00a0|");
        assert.equal(decode("&ldquo;x&rdquo; &ndash; &mdash; &hellip; &euro; &trade; &copy;"), "\u201cx\u201d \u2013 \u2014 \u2026 € ™ ©");
        assert.equal(decode("&Omega; &omega; &sigmaf; &Sigma; &alpha;"), "Ω ω ς Σ α");
        assert.equal(decode("&lt;&gt;&amp;&quot;&apos;"), "<>&\"'");
    });
    await t.test("numeric ones, with or without their semicolon", () => {
        assert.equal(decode("&#233;&#xE9;&#XE9;&#0233;&#65"), "ééééA");
        assert.equal(decode("&#x1F600;"), "\u{1F600}");
        assert.equal(decode("&#x2014; &#8217;"), "\u2014 \u2019");
    });
    await t.test("the Windows code page range means its punctuation", () => {
        assert.equal(decode("&#145;&#146;&#147;&#148;&#150;&#151;&#128;"), "\u2018\u2019\u201c\u201d\u2013\u2014\u20ac");
    });
    await t.test("impossible numbers become the replacement character", () => {
        assert.equal(decode("&#0;&#xD800;&#x110000;&#99999999999999999999;"), "\ufffd\ufffd\ufffd\ufffd");
    });
    await t.test("decoded once only, unknown and unterminated names kept", () => {
        assert.equal(decode("&amp;lt;script&amp;gt;"), "&lt;script&gt;");
        assert.equal(decode("&bogus; &eacute &amp AT&T & &#; &#x;"), "&bogus; &eacute &amp AT&T & &#; &#x;");
        assert.equal(decode("&constructor;&toString;&__proto__;"), "&constructor;&toString;&__proto__;");
    });
});
