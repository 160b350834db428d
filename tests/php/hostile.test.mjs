// Hostile pages and hostile addresses: search.php answers every one with the
// browser engine's result page, never an error, a PHP warning, markup of the
// page's or the visitor's making, or a change to the database.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import crypto from "node:crypto";
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";
import {
    Program, PhpServer, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, phpResults, hitLinks,
    resultCount, query, tempDir, writeSite, page, php
} from "./fixture.mjs";

let program, siteDir, out, simplePhp, engine, server, simpleServer;

before(async () => {
    program = new Program();
    addBareTemplate(program);
    siteDir = tempDir("php-hostile");
    writeSite(siteDir, {
        "tags.html": page({
            title: "<script>alert(1)</script> Tags &amp; \"quotes\" &lt;b&gt;bold&lt;/b&gt;",
            keywords: "it&#39;s, &quot;quoted&quot;",
            description: "ends &lt;/script&gt; early",
            body: "<p>Text with &lt;img src=x onerror=alert(1)&gt; and a \"quote\" and 'single' ones.</p>"
        }),
        "refs.html": page({ title: "Caf&#101; &#x53;QL", body: "A caf&#233; of &#83;&#81;&#76; and r&#0101;d" }),
        // A no-break space inside a phrase, a KELVIN SIGN, a backslash, a NUL, "$" and PHP's own syntax.
        "blanks.html": page({ title: "Blanks", body: "red\u00A0green \u212Aelvin C:\\path\\file before\u0000zebrafish" }),
        "php.html": page({ title: "Costs $5 {$x} <?php echo 1; ?>", body: "price $HOME \\$var \\\\ end; \u{1F600} emoji \u00e9t\u00e9" }),
        // A long s, which full Unicode case folding turns into "s" and the engines keep.
        "longs.html": page({ title: "Long s", body: "a \u017Fecret plan, not a secret one" }),
        "longs2.html": page({ title: "Long s only", body: "the \u017Fecret alone" }),
        "we\"ird <b>.html": page({ title: "", body: "a page whose file name holds markup, weirdfile" }),
        "sql.html": page({ title: "SQL words", body: "100% of a_b and o'clock; -- comment /* not */ DROP TABLE \"x\" NEAR" })
    });
    out = makeBoth(program, siteDir);
    simplePhp = program.make({ ScriptType: 2, SelTemplateName: "Simple-PHP" });
    engine = javaScriptEngine(out.js);
    server = await PhpServer.start(out.php);
    simpleServer = await PhpServer.start(simplePhp);
});

after(() => {
    server?.stop();
    simpleServer?.stop();
    program?.remove();
    if (siteDir) fs.rmSync(siteDir, { recursive: true, force: true });
});

const HOSTILE_QUERIES = [
    "\"><img src=x onerror=alert(1)>", "<script>alert(1)</script>", "' OR 1=1 --", "'; DROP TABLE IndexData; --",
    "a' OR 'a'='a", "%", "_", "%%", "%_%", "\\", "\\'", "(.*)[", "$& $1", "$HOME", "{$x}", "$5", "?", "--", ";",
    "/* */", "&amp;", "&#65;", "o'clock", "o'clock comment", "100%", "a_b", "DROP TABLE", "\"x\" NEAR", "NEAR(a b)", "title:sql",
    "{Title} : sql", "cafe", "sql", "red green", "kelvin", "zebrafish", "weirdfile", "c:\\path", "\\$var",
    "\u0130", "\u212A", "\uD800", "\u{1F600}", "\u00c9T\u00c9", "secret", "\u017Fecret", "x".repeat(300),
    Array.from({ length: 2000 }, (_, k) => `w${k}`).join(" ")
];

// Addresses no form would send, invalid UTF-8 among them.
const HOSTILE_ADDRESSES = [
    "?q=%E0%A4%A", "?q=%", "?q=%00sql", "?q=%FF%FEsql", "?q=%C3%28", "?q=%ED%A0%80", "?q=a&q=sql", "?q=sql&p=-1",
    "?q=sql&p=abc", "?q=sql&p=99999999999", "?q=sql&m=9&s=-1", "?q=sql&m=%27&s=1;DROP", "?q=+++", "?q=", "?",
    "?p=2", "?q=red%C2%A0green&m=2", "?%71=sql", "?q[]=sql", "?q=sql#frag"
];

const TAGS = new Set(["!doctype", "html", "head", "meta", "title", "link", "body", "main", "form", "label", "div",
    "input", "button", "p", "span", "strong", "hr", "ol", "li", "a", "mark", "nav", "!--"]);

function assertClean(html, what) {
    for (const m of html.matchAll(/<\/?([!a-zA-Z][^\s>\/]*)/g)) {
        const name = m[1].toLowerCase().startsWith("!--") ? "!--" : m[1].toLowerCase();
        assert.ok(TAGS.has(name), `${what}: unexpected <${m[1]}`);
    }
    assert.ok(!html.includes("fl-notice"), `${what}: the database failed`);
}

function digest(file) {
    return crypto.createHash("sha256").update(fs.readFileSync(file)).digest("hex");
}

describe("hostile queries and addresses", () => {
    test("every one gives the browser engine's page, cleanly, and leaves the database as it was", async () => {
        const database = path.join(out.php, "IndexData.mdb");
        const before = digest(database);
        for (const text of HOSTILE_QUERIES) {
            for (const extra of [{}, { m: "1" }, { m: "2" }, { s: "1" }]) {
                const search = query(text, extra);
                const actual = await phpResults(server, search);
                // Without the intl extension PHP cannot compose: the page shows the KELVIN SIGN as written
                // where the browser shows K. Hits and marks are the same.
                assert.equal(actual.normalize("NFC"), javaScriptResults(engine, search).normalize("NFC"), search);
                assertClean(actual, search);
            }
        }
        for (const search of HOSTILE_ADDRESSES) {
            // Hand-written addresses go to the server as they stand; the browser engine reads them alike.
            const actual = await phpResults(server, search.replace(/#.*/, ""));
            // Without a q there is no search: the result page is its halves alone.
            const asked = "q" in engine.Findlark.parseParams(search);
            const expected = asked ? javaScriptResults(engine, search).normalize("NFC") : "";
            assert.equal(actual.normalize("NFC"), expected, search);
            assertClean((await simpleServer.get("search.php" + search.replace(/#.*/, ""))).body, search);
        }
        // Raw bytes that are no UTF-8 at all, as a careless client may send them (PHP's own server refuses
        // such a request line, other servers pass it on): the page runs on the command line for them.
        const raw = spawnSync("sh", ["-c", `QUERY_STRING="$(printf 'q=\\377\\376%%20sql&m=1')" "$0" -d error_reporting=E_ALL search.php`, php],
            { cwd: simplePhp, encoding: "utf8" });
        assert.equal(raw.stderr, "");
        assert.deepEqual(hitLinks(raw.stdout).sort(), ["refs.html", "sql.html"]);
        assert.match(raw.stdout, /<strong class="fl-query">\uFFFD\uFFFD sql<\/strong>/);
        assert.equal(digest(database), before);
        assert.deepEqual(server.problems(), []);
        assert.deepEqual(simpleServer.problems(), []);
    });

    test("the query echoed in the field and the page links is escaped for HTML and for the address", async () => {
        const text = "\"><img src=x onerror=alert(1)> & 'x' e";
        const html = (await simpleServer.get("search.php" + query(text, { m: "1" }))).body;
        assert.match(html, /<input type="search" id="q" name="q" autocomplete="off" value="&quot;&gt;&lt;img src=x onerror=alert\(1\)&gt; &amp; &#39;x&#39; e">/);
        assert.match(html, /<strong class="fl-query">&quot;&gt;&lt;img src=x onerror=alert\(1\)&gt; &amp; &#39;x&#39; e<\/strong>/);
        for (const m of html.matchAll(/href="(search\.php[^"]*)"/g)) {
            assert.match(m[1], /^search\.php\?q=%22%3E%3Cimg\+src%3Dx\+onerror%3Dalert\(1\)%3E\+%26amp%3B\+'x'\+e&amp;m=1(&amp;p=\d+)?$/);
        }
    });

    test("no query shows the form alone; a huge query is bounded as the browser bounds it", async () => {
        const bare = (await simpleServer.get("search.php")).body;
        assert.ok(!bare.includes("fl-results"));
        assert.match(bare, /<form class="search result-form" action="search.php"/);
        const text = Array.from({ length: 2000 }, (_, k) => `w${k}`).join(" ");
        const html = (await simpleServer.get("search.php" + query(text))).body;
        const shown = /<strong class="fl-query">([^<]*)</.exec(html)[1];
        assert.ok(shown.length <= 256 && shown.startsWith("w0 w1 w2"));
    });
});

describe("hostile pages", () => {
    test("pages only a decoded field can match are found", async () => {
        assert.deepEqual(hitLinks(await phpResults(server, query("cafe sql"))), ["refs.html"]);
        assert.deepEqual(hitLinks(await phpResults(server, query("red green", { m: "2" }))), ["blanks.html"]);
        assert.deepEqual(hitLinks(await phpResults(server, query("kelvin"))), ["blanks.html"]);
        assert.deepEqual(hitLinks(await phpResults(server, query("$home"))), ["php.html"]);
        assert.deepEqual(hitLinks(await phpResults(server, query("secret"))), ["longs.html"]);
    });

    test("a missing database or one without the search tables gives a notice, and nothing is created", async () => {
        const broken = program.make({ ScriptType: 2, SelTemplateName: "Simple-PHP" });
        const database = path.join(broken, "IndexData.mdb");
        const brokenServer = await PhpServer.start(broken);
        try {
            fs.rmSync(database);
            const notice = /<p class="fl-notice">The search is not available: the index database could not be read \(/;
            assert.match((await brokenServer.get("search.php" + query("sql"))).body, notice);
            assert.ok(!fs.existsSync(database), "the page must not create the database");
            // A database made by an older version has the rows but not the search tables.
            fs.copyFileSync(path.join(program.dir, "IndexData.mdb"), database);
            spawnSync(php, ["-r", `$d = new PDO('sqlite:${database}'); $d->exec('DROP TABLE SearchRecords; DROP TABLE SearchWords; DROP TABLE SearchPostings; DROP TABLE SearchSharedParts');`]);
            assert.match((await brokenServer.get("search.php" + query("sql"))).body, notice);
            assert.deepEqual(brokenServer.problems(), []);
        } finally {
            brokenServer.stop();
        }
    });

    test("every character the page folds, it folds as the browser engine does", () => {
        const dat = fs.readFileSync(path.join(program.dir, "SearchFuncPHP.dat"), "utf8");
        const table = dat.substring(0, dat.indexOf(");\n") + 3);
        const listed = JSON.parse(spawnSync(php, ["-r", table + "echo json_encode(FL_FOLD);"],
            { encoding: "utf8", maxBuffer: 1 << 26 }).stdout);
        const F = engine.Findlark;
        assert.ok(Object.keys(listed).length > 1000);
        for (const [from, to] of Object.entries(listed)) {
            assert.equal(to, F.foldCase(from), `U+${from.codePointAt(0).toString(16)}`);
        }
        // Those it leaves alone the browser leaves alone too, except letters newer than the build's
        // Unicode tables.
        let unlisted = 0;
        for (let cp = 0; cp < 0x10000; cp++) {
            if (cp >= 0xD800 && cp <= 0xDFFF) continue;
            const c = String.fromCharCode(cp);
            if (!(c in listed) && F.foldCase(c) !== c) unlisted++;
        }
        assert.ok(unlisted < 16, `${unlisted} characters the browser folds are missing`);
    });
});
