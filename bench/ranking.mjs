#!/usr/bin/env node
// How well the generated JavaScript search page ranks the page a reader
// wants, against Pagefind on the same site. The query sets in bench/ranking/
// hold reader queries (one to four words) for the SQLite documentation, the
// Python 3.11 documentation and the PostgreSQL 15 documentation, each with
// the page (rarely two equivalent pages) the reader wants, chosen by reading
// the site. The ranking is tuned on the first two only; the PostgreSQL set
// was written before either engine ever ran on that site, so its figure is
// the one that says how the ranking does on a site nobody tuned it for.
// For each site:
//   - Findlark indexes the folder twice, on its default file types (which
//     take the Python docs' _sources/*.txt copies too) and on .html/.htm
//     only, as Pagefind does; its search page runs each query in headless
//     Chromium with the page's default matching strategy, top 10 results;
//   - Pagefind (bench/package.json) indexes the same folder and its
//     pagefind.js answers the same queries in the same browser, top 10.
// Prints per site and engine: queries, MRR@10 (reciprocal rank of the first
// wanted page in the top 10, 0 if absent, averaged) and hits at rank 1.
//   node bench/ranking.mjs [build-folder] [sqlite|python|postgresql|all] [--verbose|--misses]
// Needs a build (default ./build, e.g. a Release one), Chromium, the sites
// (apt-get install chromium sqlite3-doc python3.11-doc postgresql-doc-15) and Pagefind
// (cd bench && npm ci). --verbose prints each query of the tuning sets with
// the engines' rank of the wanted page and their top 3, --misses only those
// Findlark does not rank first. The held-out set's queries are never printed
// one by one: reading them would make its figure one more tuning figure.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "..");
const args = process.argv.slice(2);
const misses = args.includes("--misses");
const verbose = misses || args.includes("--verbose");
const positional = args.filter((a) => !a.startsWith("--"));
const build = path.resolve(positional[0] || path.join(root, "build"));
const which = positional[1] || "all";
const TOP = 10;

const SITES = {
    sqlite: { folder: process.env.FINDLARK_SQLITE_DOCS || "/usr/share/doc/sqlite3", package: "sqlite3-doc" },
    python: { folder: process.env.FINDLARK_PYTHON_DOCS || "/usr/share/doc/python3.11/html", package: "python3.11-doc" },
    postgresql: {
        folder: process.env.FINDLARK_POSTGRESQL_DOCS || "/usr/share/doc/postgresql-doc-15/html",
        package: "postgresql-doc-15",
        heldOut: true
    }
};
// Findlark's two runs: its default file types, and the pages Pagefind indexes.
const VARIANTS = [
    { name: "Findlark (default types)", settings: {} },
    { name: "Findlark (.html/.htm)", settings: { HtmlFileType: "htm,html", TextFileType: "" } }
];

function fail(message) {
    console.error(`ranking: ${message}`);
    process.exit(1);
}

if (which !== "all" && !(which in SITES)) fail(`unknown site "${which}": ${Object.keys(SITES).join(", ")} or all`);
const siteNames = which === "all" ? Object.keys(SITES) : [which];
for (const name of siteNames) {
    if (!fs.existsSync(SITES[name].folder)) fail(`missing ${SITES[name].folder}: apt-get install ${SITES[name].package}`);
}
for (const file of ["findlark", "SearchFunc.dat", "IndexData.mdb", "Template"]) {
    if (!fs.existsSync(path.join(build, file))) {
        fail(`no ${file} in ${build}: build first (cmake -S . -B build-rel -DCMAKE_BUILD_TYPE=Release -DFINDLARK_GUI=OFF && cmake --build build-rel) and pass the build folder`);
    }
}
const pagefindBin = path.join(here, "node_modules", ".bin", "pagefind");
if (!fs.existsSync(pagefindBin)) fail(`Pagefind is not installed: run (cd ${here} && npm ci)`);

process.env.FINDLARK_PROGRAM_DIR = build;
const { Program, tempDir } = await import(pathToFileURL(path.join(root, "tests/browser/fixture.mjs")).href);
const { Browser, findChromium } = await import(pathToFileURL(path.join(root, "tests/browser/cdp.mjs")).href);
const { readResults } = await import(pathToFileURL(path.join(root, "tests/browser/pages.mjs")).href);
if (!findChromium()) fail("no Chromium found: apt-get install chromium, or set FINDLARK_CHROMIUM");

// A result's address as a path relative to the site's folder: without the
// fragment and query, the site's file address or the server's origin, and
// with a folder's index.html spelled out.
function sitePath(address, base, siteUrl) {
    const url = new URL(address, base);
    url.hash = "";
    url.search = "";
    let href = url.href;
    for (const prefix of siteUrl) {
        if (href.startsWith(prefix)) {
            href = href.slice(prefix.length);
            break;
        }
    }
    if (href === "" || href.endsWith("/")) href += "index.html";
    return decodeURIComponent(href);
}

// Findlark's search page, opened once; each query goes through its form and
// is shown in place.
async function runFindlark(browser, program, site, variant, queries) {
    const records = program.index(site, { settings: variant.settings });
    const out = program.make({ OutputWindowType: 0, ...variant.settings });
    const searchPage = pathToFileURL(path.join(out, "search.html")).href;
    const siteUrls = [pathToFileURL(site).href.replace(/\/?$/, "/"), "https://www.example.com/"];
    const page = await browser.newPage();
    await page.goto(searchPage);
    const lists = [];
    for (const { query } of queries) {
        // The submit handler searches and shows the results before it returns.
        const results = await page.evaluate(`(() => {
            const form = document.forms[0];
            form.elements.namedItem("q").value = ${JSON.stringify(query)};
            form.requestSubmit();
            return (${readResults})();
        })()`);
        if (!results) throw new Error(`Findlark's page showed no results box for "${query}"`);
        // Result links are relative to the search page, which belongs at the
        // site's top, or absolute: the site's own address (ReplaceURL) or its
        // file address.
        lists.push(results.hits.slice(0, TOP).map((h) => sitePath(h.href, siteUrls[0], siteUrls)));
    }
    const problems = page.problems();
    await page.close();
    return { records, lists, problems };
}

const TYPES = {
    ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8", ".css": "text/css; charset=utf-8",
    ".json": "application/json", ".wasm": "application/wasm"
};

// Serves the site at / and Pagefind's bundle at /pagefind/ on the loopback.
async function serveWithBundle(site, bundle) {
    const server = http.createServer((req, res) => {
        const url = new URL(req.url, "http://127.0.0.1");
        if (url.pathname === "/__ranking.html") {
            res.writeHead(200, { "Content-Type": TYPES[".html"] });
            res.end("<!DOCTYPE html><title>ranking</title>");
            return;
        }
        const fromBundle = url.pathname.startsWith("/pagefind/");
        const base = fromBundle ? bundle : site;
        const rel = decodeURIComponent(fromBundle ? url.pathname.slice("/pagefind".length) : url.pathname);
        const file = path.join(base, rel);
        if (!file.startsWith(base + path.sep)) {
            res.writeHead(403);
            res.end();
            return;
        }
        fs.readFile(file, (error, data) => {
            if (error) {
                res.writeHead(404);
                res.end();
                return;
            }
            res.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
            res.end(data);
        });
    });
    await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
    return {
        origin: `http://127.0.0.1:${server.address().port}`,
        close: () => new Promise((resolve) => {
            server.closeAllConnections();
            server.close(resolve);
        })
    };
}

async function runPagefind(browser, site, work, queries) {
    const bundle = path.join(work, "pagefind");
    const run = spawnSync(pagefindBin, ["--site", site, "--output-path", bundle, "--keep-index-url", "--quiet"],
        { encoding: "utf8", maxBuffer: 64 * 1024 * 1024 });
    if (run.status !== 0) throw new Error(`pagefind failed (${run.status}):\n${run.stdout}${run.stderr}${run.error || ""}`);
    const server = await serveWithBundle(site, bundle);
    const page = await browser.newPage();
    try {
        await page.goto(`${server.origin}/__ranking.html`);
        const lists = [];
        for (const { query } of queries) {
            const urls = await page.evaluate(async (text, top) => {
                const pf = await import("/pagefind/pagefind.js");
                const r = await pf.search(text);
                const data = await Promise.all(r.results.slice(0, top).map((x) => x.data()));
                return data.map((d) => d.url);
            }, query, TOP);
            lists.push(urls.map((u) => sitePath(u, server.origin + "/", [server.origin + "/"])));
        }
        return { lists, problems: page.problems() };
    } finally {
        await page.close();
        await server.close();
    }
}

function score(queries, lists) {
    const ranks = queries.map(({ want }, k) => {
        const at = lists[k].findIndex((p) => want.includes(p));
        return at < 0 ? 0 : at + 1;
    });
    const mrr = ranks.reduce((sum, r) => sum + (r ? 1 / r : 0), 0) / ranks.length;
    return { ranks, mrr, first: ranks.filter((r) => r === 1).length };
}

const rows = [];
const browser = await Browser.launch();
const program = new Program();
const work = tempDir("bench-ranking");
try {
    for (const name of siteNames) {
        const site = fs.realpathSync(SITES[name].folder);
        const queries = JSON.parse(fs.readFileSync(path.join(here, "ranking", `${name}-queries.json`), "utf8"));
        for (const { query, want } of queries) {
            for (const w of want) {
                if (!fs.existsSync(path.join(site, w))) fail(`${name}: the wanted page ${w} of "${query}" is not in ${site}`);
            }
        }
        const engines = [];
        for (const variant of VARIANTS) {
            const r = await runFindlark(browser, program, site, variant, queries);
            engines.push({ name: `${variant.name}, ${r.records} records`, short: variant.settings.TextFileType === "" ? "FL-html" : "FL", ...r });
        }
        const pf = await runPagefind(browser, site, path.join(work, name), queries);
        engines.push({ name: "Pagefind", short: "PF", ...pf });
        for (const e of engines) {
            Object.assign(e, score(queries, e.lists));
            rows.push({ site: name, engine: e.name, queries: queries.length, mrr: e.mrr, first: e.first });
            if (e.problems.length) console.log(`${name}, ${e.name}: page problems:\n  ${e.problems.join("\n  ")}`);
        }
        if (verbose && !SITES[name].heldOut) {
            console.log(`\n${name}: rank of the wanted page (0: not in the top ${TOP}) and top 3`);
            queries.forEach(({ query, want }, k) => {
                if (misses && engines.every((e) => !e.short.startsWith("FL") || e.ranks[k] === 1)) return;
                const marks = engines.map((e) => `${e.short} ${e.ranks[k]}`).join("  ");
                console.log(`${JSON.stringify(query)} -> ${want.join(" | ")}   ${marks}`);
                for (const e of engines) console.log(`    ${e.short.padEnd(8)} ${e.lists[k].slice(0, 3).join("  ") || "(nothing)"}`);
            });
        }
    }
} finally {
    await browser.close();
    program.remove();
    fs.rmSync(work, { recursive: true, force: true });
}

console.log("");
console.log(`${"site".padEnd(10)} ${"engine".padEnd(42)} queries  MRR@${TOP}  hits@1`);
for (const r of rows) {
    console.log(`${r.site.padEnd(10)} ${r.engine.padEnd(42)} ${String(r.queries).padStart(7)}  ${r.mrr.toFixed(3).padStart(6)}  ${String(r.first).padStart(6)}`);
}
