// search.asp gives what the JavaScript engine gives for the same index and
// settings: the same hits in the same order, the same count, excerpts,
// marks and page links, for every matching and search strategy.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import {
    Program, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, aspHost, aspResults, hitLinks,
    resultCount, query, sampleSite, realSite, tempDir, writeSite, page
} from "./fixture.mjs";
import vm from "node:vm";
import { checkJScript, jscriptContext } from "./host.mjs";
import { answersOf, checkAnswers } from "../parity/corpus.mjs";

// Pages that set the ranking's signals against each other: a whole word
// against the start or inside of one, two words together against apart, an
// exact title, the site's name after a dash on most titles, a dotted name,
// a plain-text file without a title, a word on every page, letters beyond
// ASCII, and curly quotes and apostrophes beside straight ones. The search
// page ranks rows it has not all read, so what it counts over the whole
// table must be what the browser counts.
const SUFFIX = " \u2014 Harbor Works";
const rankingSite = writeSite(path.join(tempDir("asp-ranking"), "site"), {
    "index.html": page({ title: "Harbor Works", body: "<p>Welcome to the harbor. Lanterns, walks and tools.</p>" }),
    "lantern.html": page({ title: "Lantern \u2014 Harbor Works",
        body: "<p>A lantern for the harbor night walk. The lantern burns oil.</p>" }),
    "lanterns.html": page({ title: "Lanterns and lanternmakers \u2014 Harbor Works",
        body: "<p>Old sublanterns and lanternlight at the harbor.</p>" }),
    "walk.html": page({ title: "Night walk \u2014 Harbor Works", keywords: "walk, night",
        body: "<p>The night walk leaves the harbor at nine.</p>" }),
    "apart.html": page({ title: "Evenings \u2014 Harbor Works", keywords: "night walk, a walk at night, harbor walk",
        description: "A walk by the harbor, late at night.",
        body: "<p>Every night we walk. A walk at night, the harbor walk, night after night.</p>" }),
    "path.html": page({ title: "os.path.join \u2014 Harbor Works",
        body: "<p>Joining a path in the harbor scripts: os.path.join(a, b).</p>" }),
    "scripts.html": page({ title: "Scripts | Harbor Works",
        body: "<p>The harbor scripts call os.path.join and path.join; join the path.</p>" }),
    "cafe.html": page({ title: "Caf\u00e9 Cr\u00e8me \u2014 Harbor Works", keywords: "caf\u00e9, stra\u00dfe",
        body: "<p>The harbor caf\u00e9 on the Hafenstra\u00dfe serves cr\u00e8me and \u03c3\u03bf\u03c6\u03af\u03b1.</p>" }),
    "workshop.html": page({ title: "Lantern workshop", body: "<p>The workshop works on every lantern.</p>" }),
    "oil.html": page({ title: "Lamp oil", body: "<p>Harbor Works sells lamp oil; the oil works in every lantern.</p>" }),
    "quotes.html": page({ title: "Don\u2019t miss the \u201cLantern\u201d walk \u2014 Harbor Works",
        body: "<p>It\u2019s the harbor\u2019s \u2018night walk\u2019 at nine o\u2019clock; don't be late.</p>" }),
    // One signal apart each: a title hit outranks a text hit, a short page a long one, the start of a
    // word a place inside one, a titled page an untitled one; counts beyond the cap tie; a word longer
    // than the index sums is found all the same.
    "field-1.html": page({ title: "Linen" + SUFFIX, body: "<p>Woven flax.</p>" }),
    "field-2.html": page({ title: "Flax" + SUFFIX, body: "<p>Woven linen.</p>" }),
    "length-1.html": page({ title: "Minerals one" + SUFFIX, body: "<p>" + "stone and rock ".repeat(300) + "quartz</p>" }),
    "length-2.html": page({ title: "Minerals two" + SUFFIX, body: "<p>A quartz stone.</p>" }),
    "kind-1.html": page({ title: "Metals one" + SUFFIX, body: "<p>The tincopper pot.</p>" }),
    "kind-2.html": page({ title: "Metals two" + SUFFIX, body: "<p>The copperware pot.</p>" }),
    "untitled-1.html": "<html><body><p>Saffron and salt.</p></body></html>\n",
    "untitled-2.html": page({ title: "Spices" + SUFFIX, body: "<p>Saffron and salt.</p>" }),
    "cap-1.html": page({ title: "Wicks one" + SUFFIX, body: "<p>" + "wick ".repeat(150) + "</p>" }),
    "cap-2.html": page({ title: "Wicks two" + SUFFIX, body: "<p>" + "wick ".repeat(120) + "</p>" }),
    "long-1.html": page({ title: "Long words" + SUFFIX, body: "<p>pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra and pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra.</p>" }),
    // A phrase found twice where its last word's atom also ends with its first word: both count.
    "weave-1.html": page({ title: "Weave one" + SUFFIX, body: "<p>loom feltloom felt</p>" }),
    "weave-2.html": page({ title: "Weave two" + SUFFIX, body: "<p>loom felt x loomed</p>" }),
    "untitled.html": "<html><body><p>A lantern walk by the harbor, without a title.</p></body></html>\n",
    // Control characters in a title: the page reads many records' fields as one value, split at one of them.
    // An underscore in a phrase's word: the word is no single atom of the text.
    "bell.html": page({ title: "Bell&#1;tower&#2;1 \u2014 Harbor Works",
        body: "<p>The bell tower over the harbor. Set journal_mode wal.</p>" }),
    "notes.txt": "Notes: the lantern night walk at the harbor. os.path.join. Caf\u00e9.\n",
    // The address: a file name that spells the query, joined, before pages alike but for it; a short
    // page over the hits in its folder before them.
    "queryplanner-ng.html": page({ title: "Planner one" + SUFFIX, body: "<p>The query planner.</p>" }),
    "queryplanner.html": page({ title: "Planner two" + SUFFIX, body: "<p>The query planner.</p>" }),
    "sky/one.html": page({ title: "Sky one" + SUFFIX, body: "<p>" + "orbit ".repeat(4) + "</p>" }),
    "sky/two.html": page({ title: "Sky two" + SUFFIX, body: "<p>" + "orbit ".repeat(3) + "</p>" }),
    "sky/index.html": page({ title: "Sky" + SUFFIX, body: "<p>An orbit.</p>" })
});

const SITES = [
    {
        name: "the sample site",
        dir: sampleSite,
        queries: ["lantern", "harbor lantern", "pier wind", "the", "e", "lant", "Tuesday hello", "compass",
            "hello@harbor-lantern.example", "night walk", "LANTERN co.", "zzzyzzy", "don't", "c++", "1998"]
    },
    {
        name: "the real site copy",
        dir: realSite,
        queries: ["sqlite", "select", "virtual table", "journal mode", "the", "pragma", "fts5", "json", "WAL",
            "collate nocase", "[", "%", "a_b", "x'", "xyzzyplugh", "r-tree index", "\u00e9", "k", "sqlte", "virtaul table",
            "pragmaa"]
    },
    {
        name: "a site that sets the ranking's signals against each other",
        dir: rankingSite,
        queries: ["lantern", "lanterns", "night walk", "walk night", "harbor", "harbor lantern", "harbor works",
            "night walk harbor", "os.path.join", "path.join", "path", "caf\u00e9", "CAF\u00c9 cr\u00e8me",
            "strasse", "stra\u00dfe", "\u03a3\u039f\u03a6\u0399\u0391", "evenings", "no title", "the", "a", "works lantern", "harbor works lantern", "lantern oil",
            "don't", "don\u2019t", "it's", "harbor\u2019s", "\u2018night walk\u2019", "\u201clantern\u201d", "o\u2018clock",
            "flax", "quartz", "copper", "saffron", "wick", "linen flax", "loom felt", "pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra", "ultramicroscopic",
            "query planner", "orbit", "journal_mode wal",
            // Slips: a swap, a letter left out, one too many, one replaced, letters beyond ASCII.
            "lantren", "hrabor walk", "safron", "evenningss", "CAF\u00c8", "\u03c3\u03bf\u03c6\u03b9\u03b1"]
    }
];

let program, host;

before(async () => {
    program = new Program();
    addBareTemplate(program);
    host = await aspHost();
});

after(() => {
    program?.remove();
    fs.rmSync(path.dirname(rankingSite), { recursive: true, force: true });
});

for (const site of SITES) {
    describe(site.name, { skip: !fs.existsSync(site.dir) && `${site.dir} is missing` }, () => {
        let out, engine;
        before(() => {
            out = makeBoth(program, site.dir);
            engine = javaScriptEngine(out.js);
        });

        for (const m of [0, 1, 2]) {
            test(`matching ${m}: every query, every search strategy, first and last page`, () => {
                let compared = 0, withHits = 0;
                for (const text of site.queries) {
                    for (const s of [0, 1, 2, 3]) {
                        // A page number beyond the last shows the last page.
                        for (const p of ["1", "999"]) {
                            const search = query(text, { m: String(m), s: String(s), p });
                            const expected = javaScriptResults(engine, search);
                            assert.equal(aspResults(host, out.asp, search), expected, `search.asp${search}`);
                            compared++;
                            if (hitLinks(expected).length) withHits++;
                        }
                    }
                }
                // The list must exercise hits, not only empty pages.
                assert.ok(withHits > compared / 4, `only ${withHits} of ${compared} pages had hits`);
            });
        }

        test("the options are the defaults the address overrides", () => {
            const phrase = makeBoth(program, site.dir, { settings: { MatchingStrategy: 2, SearchStrategy: 1 } });
            const phraseEngine = javaScriptEngine(phrase.js);
            for (const text of site.queries.slice(0, 4)) {
                for (const extra of [{}, { m: "1" }, { s: "0" }, { m: "7", s: "x" }]) {
                    const search = query(text, extra);
                    assert.equal(aspResults(host, phrase.asp, search), javaScriptResults(phraseEngine, search), search);
                }
            }
            out = makeBoth(program, site.dir);
        });
    });
}

test("paging walks every hit once, in the JavaScript engine's order", async () => {
    const out = makeBoth(program, sampleSite);
    const engine = javaScriptEngine(out.js);
    const total = resultCount(javaScriptResults(engine, query("e", { m: "1" })));
    assert.ok(total > 10, "the query must give more than one page");
    const seen = [];
    for (let p = 1; p <= Math.ceil(total / 10); p++) {
        const html = aspResults(host, out.asp, query("e", { m: "1", p: String(p) }));
        assert.equal(resultCount(html), total);
        seen.push(...hitLinks(html));
    }
    assert.equal(seen.length, total);
    assert.equal(new Set(seen).size, total);
});

// The search functions that search.asp runs (the shipped SearchFunc.dat), with only what JScript has,
// read the shared corpus as every engine must.
test("the page's script engine reads the shared corpus as every engine must", () => {
    const dat = fs.readFileSync(path.join(process.env.FINDLARK_PROGRAM_DIR, "SearchFunc.dat"), "latin1");
    const source = unescape(dat.split("\r\n").join(""));
    checkJScript(source, "SearchFunc.dat");
    const ctx = jscriptContext();
    vm.runInContext(source, ctx, { filename: "SearchFunc.dat" });
    checkAnswers(answersOf(vm.runInContext("Findlark", ctx)));
});
