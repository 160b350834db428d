// search.php gives what the browser engine gives for the same index and
// settings: the same hits in the same order, the same count, excerpts, marks
// and page links, for every matching and search strategy; and PHP says
// nothing in its log while doing so.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import {
    Program, PhpServer, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, phpResults, hitLinks,
    resultCount, query, sampleSite, realSite
} from "./fixture.mjs";

const SITES = [
    {
        name: "the sample site",
        dir: sampleSite,
        queries: ["lantern", "harbor lantern", "pier wind", "the", "e", "lant", "Tuesday hello", "compass",
            "hello@harbor-lantern.example", "night walk", "LANTERN co.", "zzzyzzy", "don't", "c++", "1998",
            "\u00e9t\u00e9", "14\u201316", "$HOME", "a\\b"]
    },
    {
        name: "the real site copy",
        dir: realSite,
        queries: ["sqlite", "select", "virtual table", "journal mode", "the", "pragma", "fts5", "json", "WAL",
            "collate nocase", "[", "%", "a_b", "x'", "xyzzyplugh", "r-tree index", "\u00e9", "k", "\"quoted\" words",
            "of the"]
    }
];

let program;

before(() => {
    program = new Program();
    addBareTemplate(program);
});

after(() => program?.remove());

for (const site of SITES) {
    describe(site.name, { skip: !fs.existsSync(site.dir) && `${site.dir} is missing` }, () => {
        let out, engine, server;
        before(async () => {
            out = makeBoth(program, site.dir);
            engine = javaScriptEngine(out.js);
            server = await PhpServer.start(out.php);
        });
        after(() => server?.stop());

        for (const m of [0, 1, 2]) {
            test(`matching ${m}: every query, every search strategy, first and last page`, async () => {
                let compared = 0, withHits = 0;
                for (const text of site.queries) {
                    for (const s of [0, 1, 2, 3]) {
                        // A page number beyond the last shows the last page.
                        for (const p of ["1", "999"]) {
                            const search = query(text, { m: String(m), s: String(s), p });
                            const expected = javaScriptResults(engine, search);
                            assert.equal(await phpResults(server, search), expected, `search.php${search}`);
                            compared++;
                            if (hitLinks(expected).length) withHits++;
                        }
                    }
                }
                // The list must exercise hits, not only empty pages.
                assert.ok(withHits > compared / 4, `only ${withHits} of ${compared} pages had hits`);
                assert.deepEqual(server.problems(), []);
            });
        }

        test("the options are the defaults the address overrides", async () => {
            const phrase = makeBoth(program, site.dir, { settings: { MatchingStrategy: 2, SearchStrategy: 1 } });
            const phraseEngine = javaScriptEngine(phrase.js);
            const phraseServer = await PhpServer.start(phrase.php);
            try {
                for (const text of site.queries.slice(0, 4)) {
                    for (const extra of [{}, { m: "1" }, { s: "0" }, { m: "7", s: "x" }]) {
                        const search = query(text, extra);
                        assert.equal(await phpResults(phraseServer, search), javaScriptResults(phraseEngine, search), search);
                    }
                }
                assert.deepEqual(phraseServer.problems(), []);
            } finally {
                phraseServer.stop();
            }
        });
    });
}

test("paging walks every hit once, in the browser engine's order", async () => {
    const out = makeBoth(program, sampleSite);
    const engine = javaScriptEngine(out.js);
    const server = await PhpServer.start(out.php);
    try {
        const total = resultCount(javaScriptResults(engine, query("e", { m: "1" })));
        assert.ok(total > 10, "the query must give more than one page");
        const seen = [];
        for (let p = 1; p <= Math.ceil(total / 10); p++) {
            const html = await phpResults(server, query("e", { m: "1", p: String(p) }));
            assert.equal(resultCount(html), total);
            seen.push(...hitLinks(html));
        }
        assert.equal(seen.length, total);
        assert.equal(new Set(seen).size, total);
    } finally {
        server.stop();
    }
});
