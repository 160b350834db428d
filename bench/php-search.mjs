#!/usr/bin/env node
// Times search.php through PHP's built-in server on a large site: the SQLite
// documentation copied ten times (about 7,700 pages), against the JavaScript
// engine on the same index (its functions on webdata.js under node, the
// index prepared once as a page keeps it).
//   node bench/php-search.mjs [build-folder] [copies]
// Needs a build (default ./build), php-cli with php-sqlite3 and the SQLite
// documentation (apt-get install sqlite3-doc). Prints the indexing times of
// both variants (the PHP one includes making the search tables), the sizes a
// visitor downloads (the JavaScript engine's script and index; one result
// page of search.php), and for one-, two- and three-word queries under each
// matching strategy the median time of a whole request (connection, PHP,
// database, page) and of the JavaScript engine's search and rendering.
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
const fixture = await import(pathToFileURL(path.join(root, "tests/php/fixture.mjs")).href);
const { Program, PhpServer, tempDir, addBareTemplate, javaScriptEngine, javaScriptResults, resultCount } = fixture;

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
    const jsIndex = time(() => program.index(site, { settings: { ScriptType: 0 } }));
    const js = program.make({ ScriptType: 0, SelTemplateName: "Simple", NoNewSearchLink: 1 });
    const phpIndex = time(() => program.index(site, { settings: { ScriptType: 2 } }));
    const php = program.make({ ScriptType: 2, SelTemplateName: "Simple-PHP" });
    const size = (dir, name) => fs.statSync(path.join(dir, name)).size;
    console.log(`${jsIndex.value} pages; indexing for JavaScript ${ms(jsIndex.ms)}, for PHP (with the search tables) ${ms(phpIndex.ms)}`);
    console.log(`webdata.js ${(size(js, "webdata.js") / 1048576).toFixed(1)} MB + searchfunc.js ${kb(size(js, "searchfunc.js"))}; ` +
        `IndexData.mdb ${(size(php, "IndexData.mdb") / 1048576).toFixed(1)} MB on the server`);

    server = await PhpServer.start(php);
    const engine = javaScriptEngine(js);
    const request = async (search) => {
        const started = now();
        const response = await server.get("search.php" + search);
        return { ms: now() - started, response };
    };
    // The first request opens the database file; the first JavaScript search prepares the index.
    const warmPhp = (await request("?q=warm")).ms;
    const warmJs = time(() => javaScriptResults(engine, "?q=warm&s=0")).ms;
    console.log(`first request ${ms(warmPhp)}; JavaScript index preparation and first search ${ms(warmJs)}`);
    console.log("words  matching     search.php   JavaScript   hits   page bytes");
    let largest = 0;
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
                    engine.Findlark.indexFor(engine.arrFiles, engine.fileNum).forget();
                    jsTimes.push(time(() => javaScriptResults(engine, search)).ms);
                    hits = Math.max(hits, resultCount(p.response.body));
                }
            }
            largest = Math.max(largest, ...bytes);
            console.log(`${String(words).padStart(5)}  ${["all", "any", "phrase"][m].padEnd(8)} ${ms(median(phpTimes))} ` +
                `${ms(median(jsTimes))} ${String(hits).padStart(6)}   ${kb(median(bytes)).padStart(9)}`);
        }
    }
    const pages = (await server.get("search.html")).bytes + (await server.get("style.css")).bytes;
    console.log(`largest result page ${kb(largest)}; search.html and style.css ${kb(pages)}, fetched once`);
    const problems = server.problems();
    if (problems.length) console.log(`PHP wrote:\n${problems.join("\n")}`);
} finally {
    server?.stop();
    program.remove();
    fs.rmSync(work, { recursive: true, force: true });
}
