#!/usr/bin/env node
// Times search.asp in the test host of tests/asp on a large site: the SQLite
// documentation copied ten times (about 7,700 pages), against the JavaScript
// engine's query time on the same index (its functions on webdata.js under
// node, the index prepared once as a page keeps it).
//   node bench/asp-search.mjs [build-folder] [copies]
// Needs a build (default ./build), npm ci in tests/asp and the SQLite
// documentation (apt-get install sqlite3-doc). Prints, for one-, two- and
// three-word queries under each matching strategy, the median time of a
// whole request in the host (a fresh script context, the database query,
// the search and the page) and of the JavaScript engine's search and
// rendering, plus the hit counts; then the median and slowest over all.
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "..");
const build = path.resolve(process.argv[2] || path.join(root, "build"));
const copies = Number(process.argv[3] || 10);
const sourceSite = process.env.FINDLARK_REAL_SITE || "/usr/share/doc/sqlite3";
const REPEATS = 7;

process.env.FINDLARK_PROGRAM_DIR = build;
const fixture = await import(pathToFileURL(path.join(root, "tests/asp/fixture.mjs")).href);
const { Program, tempDir, addBareTemplate, javaScriptEngine, javaScriptResults, aspHost, aspPage, resultCount } = fixture;

if (!fs.existsSync(sourceSite)) {
    console.error(`missing ${sourceSite}: apt-get install sqlite3-doc`);
    process.exit(1);
}

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const mid = sorted.length >> 1;
    return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};
const ms = (v) => `${v.toFixed(1).padStart(8)} ms`;
const time = (fn) => {
    const started = process.hrtime.bigint();
    const value = fn();
    return { ms: Number(process.hrtime.bigint() - started) / 1e6, value };
};

const QUERIES = [["sqlite", "database", "pragma"], ["virtual table", "journal mode", "foreign key"],
    ["create index statement", "write ahead log", "sqlite query planner"]];

const work = tempDir("bench-asp");
const program = new Program();
try {
    const site = path.join(work, "site");
    for (let i = 1; i <= copies; i++) fs.cpSync(sourceSite, path.join(site, `copy${i}`), { recursive: true });
    addBareTemplate(program);
    const records = program.index(site, { settings: { ScriptType: 0 } });
    const js = program.make({ ScriptType: 0, SelTemplateName: fixture.BARE, NoNewSearchLink: 1 });
    program.index(site, { settings: { ScriptType: 1 } });
    const asp = program.make({ ScriptType: 1, SelTemplateName: "Simple-ASP" });
    console.log(`${records} pages; webdata.js ${(fs.statSync(path.join(js, "webdata.js")).size / 1048576).toFixed(1)} MB, ` +
        `IndexData.mdb ${(fs.statSync(path.join(asp, "IndexData.mdb")).size / 1048576).toFixed(1)} MB`);

    const host = await aspHost();
    const engine = javaScriptEngine(js);
    // The first request opens the database file; the first JavaScript
    // search prepares the index. Both are kept from then on, as a server
    // keeps a hot file and a page keeps its index.
    const warmAsp = time(() => aspPage(host, asp, "?q=warm")).ms;
    const warmJs = time(() => javaScriptResults(engine, "?q=warm&s=0")).ms;
    console.log(`first request ${ms(warmAsp)}; JavaScript index preparation and first search ${ms(warmJs)}`);
    console.log("words  matching     search.asp      slowest   JavaScript   hits");
    const all = [];
    for (let words = 1; words <= 3; words++) {
        for (const m of [0, 1, 2]) {
            const aspTimes = [], jsTimes = [];
            let hits = 0;
            for (const text of QUERIES[words - 1]) {
                const search = `?q=${encodeURIComponent(text).replace(/%20/g, "+")}&m=${m}`;
                for (let r = 0; r < REPEATS; r++) {
                    const a = time(() => aspPage(host, asp, search));
                    aspTimes.push(a.ms);
                    // A new search each time: the engine keeps its last searches.
                    engine.Findlark.indexFor(engine.arrFiles, engine.fileNum).forget();
                    jsTimes.push(time(() => javaScriptResults(engine, search)).ms);
                    hits = Math.max(hits, resultCount(a.value));
                }
            }
            all.push(...aspTimes);
            console.log(`${String(words).padStart(5)}  ${["all", "any", "phrase"][m].padEnd(8)} ${ms(median(aspTimes))} ` +
                `${ms(Math.max(...aspTimes))} ${ms(median(jsTimes))} ${String(hits).padStart(6)}`);
        }
    }
    console.log(`search.asp over all ${all.length} requests: median ${ms(median(all))}, slowest ${ms(Math.max(...all))}`);
} finally {
    program.remove();
    fs.rmSync(work, { recursive: true, force: true });
}
