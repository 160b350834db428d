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
import { SITES, rankingSite } from "./sites.mjs";

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

// More hits than the page and the window bonuses need: search.php weighs only those whose bound can still
// reach them. Pages last in index order outrank a hundred and twenty alike by the most a field can give
// ("flare"), by the exact title or by the address ("beacon", "signal"); each must still be weighed and
// shown first. The hits of "signal" are under a third of the pages, whose titles and addresses are then
// read for the hits alone.
test("hits beyond the ranked ones cannot hide a better one", async (t) => {
    const pages = {};
    for (let k = 0; k < 260; k++) pages[`aside-${k}.html`] = page({ title: `Aside ${k}`, body: "<p>A beacon far off.</p>" });
    for (let k = 100; k < 220; k++) {
        pages[`common-${k}.html`] = page({ title: `Common beacon ${k}`, keywords: "beacon", description: "beacon",
            body: "<p>" + "beacon flare signal ".repeat(10) + "</p>" });
    }
    pages["zz/heavy.html"] = page({ title: "Heavy", body: "<p>" + "flare ".repeat(150) + "</p>" });
    pages["zz/titled.html"] = page({ title: "Beacon", body: "<p>A lamp.</p>" });
    pages["zz/beacon.html"] = page({ title: "Spelled", body: "<p>A beacon.</p>" });
    pages["zz/signal.html"] = page({ title: "Spelled too", body: "<p>A signal.</p>" });
    const site = writeSite(path.join(tempDir("bounds-site"), "site"), pages);
    t.after(() => fs.rmSync(path.dirname(site), { recursive: true, force: true }));
    const out = makeBoth(program, site);
    const engine = javaScriptEngine(out.js);
    const server = await PhpServer.start(out.php);
    try {
        for (const [text, first] of [["flare", ["heavy.html"]], ["beacon", ["beacon.html", "titled.html"]],
            ["signal", ["signal.html"]]]) {
            for (const p of ["1", "2", "11", "13"]) {
                const search = query(text, { p });
                const expected = javaScriptResults(engine, search);
                assert.equal(await phpResults(server, search), expected, `search.php${search}`);
                if (p === "1") {
                    assert.deepEqual(hitLinks(expected).slice(0, first.length).map((link) => link.replace(/^.*\//, "")), first);
                }
            }
        }
        assert.deepEqual(server.problems(), []);
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
foreach ($corpus['suggestions'] as $entry) {
    $query = fl_parse_query($entry['word'], FL_MATCH_ALL);
    $word = $query['matchers'][0]['folded'];
    $vocabulary = array();
    foreach ($entry['vocabulary'] as $known) {
        $vocabulary[] = array(fl_fold_case(fl_shown_text($known[0])), $known[1]);
    }
    $answers['suggestions'][] = fl_correctable($word) ? fl_nearest_word($word, $vocabulary, 1) : null;
}
echo json_encode($answers);
`);
    const ran = spawnSync(php, ["-d", "error_reporting=E_ALL", "-d", "display_errors=stderr", script, corpusFile],
        { encoding: "utf8" });
    assert.equal(ran.status, 0, ran.stderr);
    assert.equal(ran.stderr, "");
    checkAnswers(JSON.parse(ran.stdout));
});
