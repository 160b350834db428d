#!/usr/bin/env node
// Times search.php through PHP's built-in server on a large site: the SQLite
// documentation copied ten times (about 7,700 pages), against the JavaScript
// engine on the same index (its functions on webdata.js under node, the
// index prepared once as a page keeps it).
//   node bench/php-search.mjs [build-folder] [copies] [--php-only]
// Needs a build (default ./build), php-cli with php-sqlite3, /usr/bin/time and
// the SQLite documentation (apt-get install sqlite3-doc). Prints the indexing
// times of both variants (the PHP one includes writing the word index) and the
// PHP run's peak memory, the database's size beside that of its rows alone,
// the sizes a visitor downloads (the JavaScript engine's script and index; one
// result page of search.php), and for one-, two- and three-word queries under
// each matching strategy the median and slowest time of a whole request
// (connection, PHP, database, page) and the median of the JavaScript engine's
// search and rendering; then the median and slowest over all of them.
// --php-only leaves the JavaScript engine out (for a hundred copies, whose
// webdata.js a browser would not load anyway).
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "..");
const build = path.resolve(process.argv[2] || path.join(root, "build"));
const copies = Number(process.argv[3] || 10);
const withJs = !process.argv.includes("--php-only");
const sourceSite = process.env.FINDLARK_REAL_SITE || "/usr/share/doc/sqlite3";
const REPEATS = 7;

process.env.FINDLARK_PROGRAM_DIR = build;
const fixture = await import(pathToFileURL(path.join(root, "tests/php/fixture.mjs")).href);
const { Program, PhpServer, tempDir, addBareTemplate, javaScriptEngine, javaScriptResults, resultCount, php } = fixture;

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
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} kB`;
const now = () => Number(process.hrtime.bigint()) / 1e6;
const time = (fn) => {
    const started = now();
    const value = fn();
    return { ms: now() - started, value };
};

const QUERIES = [["sqlite", "database", "pragma"], ["virtual table", "journal mode", "foreign key"],
    ["create index statement", "write ahead log", "sqlite query planner"]];

const work = tempDir("bench-php");
const program = new Program();
let server = null;
try {
    const site = path.join(work, "site");
    for (let i = 1; i <= copies; i++) fs.cpSync(sourceSite, path.join(site, `copy${i}`), { recursive: true });
    addBareTemplate(program);
    const jsIndex = withJs ? time(() => program.index(site, { settings: { ScriptType: 0 } })) : null;
    const js = withJs ? program.make({ ScriptType: 0, SelTemplateName: "Simple", NoNewSearchLink: 1 }) : null;
    // The run's peak memory, as the kernel counts it (kilobytes).
    const real = program.executable, peakFile = path.join(work, "peak");
    program.executable = path.join(work, "timed-findlark");
    fs.writeFileSync(program.executable, `#!/bin/sh\nexec /usr/bin/time -f %M -o '${peakFile}' '${real}' "$@"\n`, { mode: 0o755 });
    const phpIndex = time(() => program.index(site, { settings: { ScriptType: 2 } }));
    program.executable = real;
    const peak = Number(fs.readFileSync(peakFile, "utf8").trim().split("\n").pop()) / 1024;
    const phpDir = program.make({ ScriptType: 2, SelTemplateName: "Simple-PHP" });
    const size = (dir, name) => fs.statSync(path.join(dir, name)).size;
    const mb = (bytes) => `${(bytes / 1048576).toFixed(1)} MB`;
    // The rows alone: a copy without the word index, vacuumed.
    const rowsOnly = path.join(work, "rows-only.mdb");
    fs.copyFileSync(path.join(phpDir, "IndexData.mdb"), rowsOnly);
    execFileSync(php, ["-r", `$d = new PDO('sqlite:${rowsOnly}'); foreach (['SearchRecords', 'SearchWords', ` +
        `'SearchPostings', 'SearchOccurrences', 'SearchSharedParts', 'SearchAtoms', 'SearchPlaces'] as $t) $d->exec("DROP TABLE IF EXISTS $t"); $d->exec('VACUUM');`]);
    console.log(`${phpIndex.value} pages; indexing` + (withJs ? ` for JavaScript ${ms(jsIndex.ms)},` : "") +
        ` for PHP (with the word index) ${ms(phpIndex.ms)}, peak memory ${peak.toFixed(0)} MB`);
    console.log((withJs ? `webdata.js ${mb(size(js, "webdata.js"))} + searchfunc.js ${kb(size(js, "searchfunc.js"))}; ` : "") +
        `IndexData.mdb ${mb(size(phpDir, "IndexData.mdb"))} on the server, its rows alone ${mb(fs.statSync(rowsOnly).size)}`);

    server = await PhpServer.start(phpDir);
    const engine = withJs ? javaScriptEngine(js) : null;
    const request = async (search) => {
        const started = now();
        const response = await server.get("search.php" + search);
        return { ms: now() - started, response };
    };
    // The first request opens the database file; the first JavaScript search prepares the index.
    const warmPhp = (await request("?q=warm")).ms;
    const warmJs = withJs ? time(() => javaScriptResults(engine, "?q=warm&s=0")).ms : 0;
    console.log(`first request ${ms(warmPhp)}` + (withJs ? `; JavaScript index preparation and first search ${ms(warmJs)}` : ""));
    console.log("words  matching     search.php      slowest   JavaScript   hits   page bytes");
    let largest = 0;
    const all = [];
    for (let words = 1; words <= 3; words++) {
        for (const m of [0, 1, 2]) {
            const phpTimes = [], jsTimes = [], bytes = [];
            let hits = 0;
            for (const text of QUERIES[words - 1]) {
                const search = `?q=${encodeURIComponent(text).replace(/%20/g, "+")}&m=${m}`;
                for (let r = 0; r < REPEATS; r++) {
                    const p = await request(search);
                    phpTimes.push(p.ms);
                    bytes.push(p.response.bytes);
                    if (withJs) {
                        engine.Findlark.indexFor(engine.arrFiles, engine.fileNum).forget();
                        jsTimes.push(time(() => javaScriptResults(engine, search)).ms);
                    }
                    hits = Math.max(hits, resultCount(p.response.body));
                }
            }
            largest = Math.max(largest, ...bytes);
            all.push(...phpTimes);
            console.log(`${String(words).padStart(5)}  ${["all", "any", "phrase"][m].padEnd(8)} ${ms(median(phpTimes))} ` +
                `${ms(Math.max(...phpTimes))} ${withJs ? ms(median(jsTimes)) : "           "} ${String(hits).padStart(6)}   ` +
                `${kb(median(bytes)).padStart(9)}`);
        }
    }
    console.log(`search.php over all ${all.length} requests: median ${ms(median(all))}, slowest ${ms(Math.max(...all))}`);
    const pages = (await server.get("search.html")).bytes + (await server.get("style.css")).bytes;
    console.log(`largest result page ${kb(largest)}; search.html and style.css ${kb(pages)}, fetched once`);
    const problems = server.problems();
    if (problems.length) console.log(`PHP wrote:\n${problems.join("\n")}`);
} finally {
    server?.stop();
    program.remove();
    fs.rmSync(work, { recursive: true, force: true });
}
