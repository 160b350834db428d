// search.php gives what the browser engine gives for the same index and
// settings: the same hits in the same order, the same count, excerpts, marks
// and page links, for every matching and search strategy; and PHP says
// nothing in its log while doing so.
import { after, before, describe, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import {
    Program, PhpServer, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, phpResults, hitLinks,
    resultCount, query, sampleSite, realSite, tempDir, writeSite, page
} from "./fixture.mjs";
import { spawnSync } from "node:child_process";
import { php } from "./fixture.mjs";
import { corpusFile, checkAnswers } from "../parity/corpus.mjs";

// A site made for the ranking's signals: most titles end in the site's name, words stand whole, at
// the start of a word or inside one, together or apart; a dotted name, a name with underscores, an
// untitled text file, accents, a character beyond U+FFFF next to a match, and curly quotes and
// apostrophes beside straight ones.
const SUFFIX = " \u2014 Lamplight Docs";
const utf8Page = (fields) => page(fields).replace("<head>", "<head><meta charset=\"utf-8\">");
const rankingSite = writeSite(path.join(tempDir("ranking-site"), "site"), {
    "index.html": utf8Page({ title: "Welcome" + SUFFIX, body: "<p>Lamplight docs: keys, paths and colours.</p>" }),
    "os-path.html": utf8Page({ title: "os.path.join" + SUFFIX, body: "<p>os.path.join joins the parts of a path.</p>" }),
    "paths.html": utf8Page({ title: "Paths and files" + SUFFIX, keywords: "path, join",
        body: "<p>Call os.path.join, or join a path by hand; os.path.join again. Joining is easy.</p>" }),
    "init.html": utf8Page({ title: "__init__ methods" + SUFFIX,
        body: "<p>def __init__(self): the initializer. Files named __init__.py; _private names; init.</p>" }),
    "foreign.html": utf8Page({ title: "Foreign key" + SUFFIX, description: "A foreign key links two tables.",
        body: "<p>The foreign key of a row names a key of another table.</p>" }),
    "keyword.html": utf8Page({ title: "Keywords" + SUFFIX,
        body: "<p>keyword keywords monkey donkey keyword key; a foreign table and a key.</p>" }),
    "apart.html": utf8Page({ title: "Red things" + SUFFIX, body: "<p>Red lanterns and green glass: the green is not red.</p>" }),
    "together.html": utf8Page({ title: "Colours" + SUFFIX, body: "<p>Red green, red-green and red; green.</p>" }),
    "accents.html": utf8Page({ title: "Caf\u00e9 \u00fcn\u00efc\u00f6d\u00e9" + SUFFIX,
        body: "<p>Na\u00efve caf\u00e9: \u{1D49C}key and key\u{1D49C}, \u{1D49C} key, \u00c9T\u00c9 \u00e9t\u00e9 stra\u00dfe.</p>" }),
    "compass.html": utf8Page({ title: "Brass compass" + SUFFIX, body: "<p>A compass of brass.</p>" }),
    "catalogue.html": utf8Page({ title: "Catalogue" + SUFFIX,
        body: "<p>Brass compass, brass compass, brass compass and a brass lantern.</p>" }),
    "about.html": utf8Page({ title: "About", body: "<p>Lamplight Docs are written by hand. Keys and a key.</p>" }),
    "quotes.html": utf8Page({ title: "Don\u2019t lose the \u201cKey\u201d" + SUFFIX,
        body: "<p>It\u2019s the colour\u2019s \u2018red green\u2019 key at one o\u2019clock; don't lose it.</p>" }),
    "notes.txt": "Foreign key notes: key, key, key. Red green. Lamplight.\n",
    // One signal apart each: a title hit outranks a text hit, a short page a long one, the start of a
    // word a place inside one, a titled page an untitled one; counts beyond the cap tie; a word longer
    // than the index sums is found all the same.
    "field-1.html": utf8Page({ title: "Linen" + SUFFIX, body: "<p>Woven flax.</p>" }),
    "field-2.html": utf8Page({ title: "Flax" + SUFFIX, body: "<p>Woven linen.</p>" }),
    "length-1.html": utf8Page({ title: "Minerals one" + SUFFIX, body: "<p>" + "stone and rock ".repeat(300) + "quartz</p>" }),
    "length-2.html": utf8Page({ title: "Minerals two" + SUFFIX, body: "<p>A quartz stone.</p>" }),
    "kind-1.html": utf8Page({ title: "Metals one" + SUFFIX, body: "<p>The tincopper pot.</p>" }),
    "kind-2.html": utf8Page({ title: "Metals two" + SUFFIX, body: "<p>The copperware pot.</p>" }),
    "untitled-1.html": "<html><body><p>Saffron and salt.</p></body></html>\n",
    "untitled-2.html": utf8Page({ title: "Spices" + SUFFIX, body: "<p>Saffron and salt.</p>" }),
    "cap-1.html": utf8Page({ title: "Wicks one" + SUFFIX, body: "<p>" + "wick ".repeat(150) + "</p>" }),
    "cap-2.html": utf8Page({ title: "Wicks two" + SUFFIX, body: "<p>" + "wick ".repeat(120) + "</p>" }),
    "long-1.html": utf8Page({ title: "Long words" + SUFFIX, body: "<p>pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra and pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra.</p>" }),
    // Pairs of pages alike but for one signal, the first in index order the one it must put second.
    "exact-1.html": utf8Page({ title: "Brass compass, brass compass" + SUFFIX, body: "<p>A set.</p>" }),
    "pair-1.html": utf8Page({ title: "Lamps one" + SUFFIX, body: "<p>Amber lamps and glow.</p>" }),
    "pair-2.html": utf8Page({ title: "Lamps two" + SUFFIX, body: "<p>Amber glow and lamps.</p>" }),
    "rare-1.html": utf8Page({ title: "Sparks one" + SUFFIX, body: "<p>ember ember ember, then flint.</p>" }),
    "rare-2.html": utf8Page({ title: "Sparks two" + SUFFIX, body: "<p>flint flint flint, then ember.</p>" }),
    "rare-3.html": utf8Page({ title: "Embers" + SUFFIX, body: "<p>ember</p>" }),
    "rare-4.html": utf8Page({ title: "More embers" + SUFFIX, body: "<p>ember, ember</p>" }),
    // A phrase found twice where its last word's atom also ends with its first word: both count.
    "weave-1.html": utf8Page({ title: "Weave one" + SUFFIX, body: "<p>loom feltloom felt</p>" }),
    "weave-2.html": utf8Page({ title: "Weave two" + SUFFIX, body: "<p>loom felt x loomed</p>" }),
    "units-1.html": utf8Page({ title: "Inkwell \u00e9\u00e9\u00e9" + SUFFIX, body: "<p>nib \u00e9\u00e9\u00e9 a\u00e9quill</p>" }),
    "units-2.html": utf8Page({ title: "Inkwell abc" + SUFFIX, body: "<p>nib abc \u{1D49C}quill</p>" })
});

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
    },
    {
        name: "the ranking site",
        dir: rankingSite,
        queries: ["key", "foreign key", "key foreign", "red green", "green red", "os.path.join", "path join",
            "__init__", "_private", "init", "lamplight", "lamplight docs", "brass compass", "caf\u00e9", "\u{1D49C}",
            "key\u{1D49C}", "no title", "notes", "\u00e9t\u00e9", "monkey key", "docs keys", "amber glow", "ember flint",
            "inkwell", "nib", "quill", "don't", "don\u2019t", "it's", "colour\u2019s", "\u2018red green\u2019",
            "\u201ckey\u201d", "o\u2018clock", "flax", "quartz", "copper", "saffron", "wick", "linen flax", "loom felt",
            "pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra", "ultramicroscopic"]
    }
];

let program;

before(() => {
    program = new Program();
    addBareTemplate(program);
});

after(() => {
    program?.remove();
    fs.rmSync(path.dirname(rankingSite), { recursive: true, force: true });
});

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

// The PHP page's code (the shipped SearchFuncPHP.dat, without the call that answers a request) reads
// the shared corpus as every engine must.
test("the PHP page reads the shared corpus as every engine must", (t) => {
    const dat = fs.readFileSync(path.join(process.env.FINDLARK_PROGRAM_DIR, "SearchFuncPHP.dat"), "utf8");
    assert.match(dat, /\nfl_respond\(\);\n$/);
    const work = tempDir("php-corpus");
    t.after(() => fs.rmSync(work, { recursive: true, force: true }));
    const script = path.join(work, "corpus.php");
    fs.writeFileSync(script, "<?php\n" + dat.replace(/fl_respond\(\);\n$/, "") + `
$corpus = json_decode(file_get_contents($argv[1]), true);
$answers = array('texts' => array(), 'queries' => array());
foreach ($corpus['texts'] as $entry) {
    $shown = fl_shown_text($entry['text']);
    $answers['texts'][] = array('shown' => $shown, 'foldedShown' => fl_fold_case($shown));
}
foreach ($corpus['queries'] as $entry) {
    $query = fl_parse_query($entry['query'], FL_MATCH_ALL);
    $terms = array();
    foreach ($query['matchers'] as $matcher) {
        $terms[] = $matcher['text'];
    }
    $answers['queries'][] = array('terms' => $terms, 'words' => fl_query_words($query));
}
echo json_encode($answers);
`);
    const ran = spawnSync(php, ["-d", "error_reporting=E_ALL", "-d", "display_errors=stderr", script, corpusFile],
        { encoding: "utf8" });
    assert.equal(ran.status, 0, ran.stderr);
    assert.equal(ran.stderr, "");
    checkAnswers(JSON.parse(ran.stdout));
});
