// Hostile pages and hostile addresses: search.asp answers every one with a
// result page, never an error, a database error, markup of the page's or
// the visitor's making, or visitor text inside SQL.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import {
    Program, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, aspHost, aspPage, aspResults, hitLinks,
    resultCount, query, tempDir, writeSite, page
} from "./fixture.mjs";

let program, host, siteDir, out, simple;

before(async () => {
    program = new Program();
    addBareTemplate(program);
    host = await aspHost();
    siteDir = tempDir("asp-hostile");
    writeSite(siteDir, {
        "tags.html": page({
            title: "<script>alert(1)</script> Tags &amp; \"quotes\" &lt;b&gt;bold&lt;/b&gt;",
            keywords: "it&#39;s, &quot;quoted&quot;",
            description: "ends &lt;/script&gt; early",
            body: "<p>Text with &lt;img src=x onerror=alert(1)&gt; and a \"quote\" and 'single' ones.</p>"
        }),
        // Letters spelled as references: the database's LIKE cannot see them.
        "refs.html": page({ title: "Caf&#101; &#x53;QL", body: "A caf&#233; of &#83;&#81;&#76; and r&#0101;d" }),
        // A no-break space inside a phrase, a KELVIN SIGN, a backslash, a NUL.
        "blanks.html": page({ title: "Blanks", body: "red\u00A0green \u212Aelvin C:\\path\\file before\u0000zebrafish" }),
        "we\"ird <b>.html": page({ title: "", body: "a page whose file name holds markup, weirdfile" }),
        "sql.html": page({ title: "SQL words", body: "100% of a_b and o'clock; -- comment /* not */ DROP TABLE" })
    });
    out = makeBoth(program, siteDir);
    simple = program.make({ ScriptType: 1, SelTemplateName: "Simple-ASP" });
});

after(() => {
    program?.remove();
    if (siteDir) fs.rmSync(siteDir, { recursive: true, force: true });
});

const HOSTILE_QUERIES = [
    "\"><img src=x onerror=alert(1)>", "<script>alert(1)</script>", "' OR 1=1 --", "'; DROP TABLE IndexData; --",
    "a' OR 'a'='a", "<b>bold</b>", "%", "_", "%%", "%_%", "\\", "\\'", "(.*)[", "$& $1", "?", "--", ";", "/* */", "&amp;", "&#65;",
    "o'clock", "100%", "a_b", "DROP TABLE", "cafe", "sql", "red green", "kelvin", "zebrafish", "weirdfile", "c:\\path",
    "\u0130", "\u212A", "\uD800", "x".repeat(300), Array.from({ length: 2000 }, (_, k) => `w${k}`).join(" ")
];

// Addresses no form would send.
const HOSTILE_ADDRESSES = [
    "?q=%E0%A4%A", "?q=%", "?q=%00sql", "?q=a&q=sql", "?q=sql&p=-1", "?q=sql&p=abc", "?q=sql&p=99999999999",
    "?q=sql&m=9&s=-1", "?q=sql&m=%27&s=1;DROP", "?q=+++", "?q=", "?", "?p=2", "?q=red%C2%A0green&m=2",
    "?%71=sql", "?q=sql#frag"
];

// Every tag in the page is one the template or the result list writes.
const TAGS = new Set(["!doctype", "html", "head", "meta", "title", "link", "body", "main", "form", "label", "div",
    "input", "button", "p", "span", "strong", "hr", "ol", "li", "a", "mark", "nav", "!--"]);

function assertClean(html, what) {
    for (const m of html.matchAll(/<\/?([!a-zA-Z][^\s>\/]*)/g)) {
        const name = m[1].toLowerCase().startsWith("!--") ? "!--" : m[1].toLowerCase();
        assert.ok(TAGS.has(name), `${what}: unexpected <${m[1]}`);
    }
    assert.ok(!html.includes("fl-notice"), `${what}: the database failed`);
}

describe("hostile queries and addresses", () => {
    test("every one gives a clean result page; no visitor text reaches SQL", () => {
        const searches = [...HOSTILE_QUERIES.map((text) => query(text)), ...HOSTILE_ADDRESSES];
        for (const search of searches) {
            for (const dir of [out.asp, simple]) {
                const before = host.statements.length;
                const html = aspPage(host, dir, search);
                assertClean(html, search);
                for (const { sql } of host.statements.slice(before)) {
                    for (const word of ["DROP", "1=1", "'a'", "alert", "clock", "--", ";"]) {
                        assert.ok(!sql.includes(word), `${search}: "${word}" reached the SQL text`);
                    }
                }
            }
        }
    });

    test("the query echoed in the field and the page links is escaped for HTML and for the address", () => {
        const text = "\"><img src=x onerror=alert(1)> & 'x' e";
        const html = aspPage(host, simple, query(text, { m: "1" }));
        assert.match(html, /<input type="search" id="q" name="q" autocomplete="off" value="&quot;&gt;&lt;img src=x onerror=alert\(1\)&gt; &amp; &#39;x&#39; e">/);
        assert.match(html, /<strong class="fl-query">&quot;&gt;&lt;img src=x onerror=alert\(1\)&gt; &amp; &#39;x&#39; e<\/strong>/);
        for (const m of html.matchAll(/href="(search\.asp[^"]*)"/g)) {
            assert.match(m[1], /^search\.asp\?q=%22%3E%3Cimg\+src%3Dx\+onerror%3Dalert\(1\)%3E\+%26amp%3B\+'x'\+e&amp;m=1(&amp;p=\d+)?$/);
        }
    });

    test("blank and empty queries find nothing without asking the database; no query shows the form alone", () => {
        const opened = host.connections;
        for (const search of ["?q=", "?q=+++", "?q=%2C%2C+.+!", "?q=%09%0A"]) {
            const html = aspPage(host, simple, search);
            assert.equal(resultCount(html), 0, search);
        }
        assert.equal(host.connections, opened);
        const bare = aspPage(host, simple, "");
        assert.ok(!bare.includes("fl-results"));
        assert.match(bare, /<form class="search result-form" action="search.asp"/);
    });

    test("a huge query is bounded as the browser bounds it", () => {
        const text = Array.from({ length: 2000 }, (_, k) => `w${k}`).join(" ");
        const html = aspPage(host, simple, query(text));
        const shown = /<strong class="fl-query">([^<]*)</.exec(html)[1];
        assert.ok(shown.length <= 256 && shown.startsWith("w0 w1 w2"));
    });
});

describe("hostile pages", () => {
    test("hits, excerpts and links equal the JavaScript engine's, references and blanks included", () => {
        const engine = javaScriptEngine(out.js);
        for (const text of HOSTILE_QUERIES) {
            for (const extra of [{}, { m: "1" }, { m: "2" }, { s: "1" }]) {
                const search = query(text, extra);
                const expected = javaScriptResults(engine, search);
                const actual = aspResults(host, out.asp, search);
                // JScript has no Unicode normalisation: the server shows the
                // KELVIN SIGN as written where the browser shows K. Hits and
                // marks are the same.
                assert.equal(actual.normalize("NFC"), expected.normalize("NFC"), search);
                assertClean(actual, search);
            }
        }
        // The pages that only a decoded field can match were found.
        assert.deepEqual(hitLinks(aspResults(host, out.asp, query("cafe sql"))), ["refs.html"]);
        assert.deepEqual(hitLinks(aspResults(host, out.asp, query("red green", { m: "2" }))), ["blanks.html"]);
        assert.deepEqual(hitLinks(aspResults(host, out.asp, query("kelvin"))), ["blanks.html"]);
    });

    test("a database the driver cannot open gives a notice, not an error page", () => {
        const broken = program.make({ ScriptType: 1, SelTemplateName: "Simple-ASP" });
        fs.rmSync(path.join(broken, "IndexData.mdb"));
        const html = aspPage(host, broken, query("sql"));
        assert.match(html, /<p class="fl-notice">The search is not available: the index database could not be read \(/);
        assert.ok(!fs.existsSync(path.join(broken, "IndexData.mdb")), "the driver must not create the database");
    });
});
