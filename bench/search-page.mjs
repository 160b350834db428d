#!/usr/bin/env node
// Times the generated JavaScript search page in headless Chromium on a large
// site: the SQLite documentation copied ten times (about 7,700 pages).
//   node bench/search-page.mjs [build-folder] [copies]
// Needs a build (default ./build, e.g. a Release one), Chromium and the
// SQLite documentation (apt-get install chromium sqlite3-doc). Prints:
// the size of webdata.js; the time from opening search.html to a usable page
// (DOMContentLoaded, the form is ready); from opening search.html?q=... to
// the results in the page and on screen (the first query), and from the end
// of reading webdata.js to the results; how long the page takes to prepare
// its index while idle and the longest task meanwhile; and the median
// time of later queries shown in place (the prepared index reused), for one-,
// two- and three-word queries under each matching strategy.
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "..");
const build = path.resolve(process.argv[2] || path.join(root, "build"));
const copies = Number(process.argv[3] || 10);
const sourceSite = process.env.FINDLARK_REAL_SITE || "/usr/share/doc/sqlite3";
const LOADS = 5;
const REPEATS = 7;
const PREPARATIONS = 3;

process.env.FINDLARK_PROGRAM_DIR = build;
const { Program, tempDir } = await import(pathToFileURL(path.join(root, "tests/browser/fixture.mjs")).href);
const { Browser, findChromium } = await import(pathToFileURL(path.join(root, "tests/browser/cdp.mjs")).href);

if (!fs.existsSync(sourceSite)) {
    console.error(`missing ${sourceSite}: apt-get install sqlite3-doc`);
    process.exit(1);
}
if (!findChromium()) {
    console.error("no Chromium found (apt-get install chromium, or set FINDLARK_CHROMIUM)");
    process.exit(1);
}

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const mid = sorted.length >> 1;
    return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};
const ms = (v) => `${v.toFixed(1).padStart(8)} ms`;

const work = tempDir("bench-search");
const program = new Program();
let browser = null;
try {
    const site = path.join(work, "site");
    for (let i = 1; i <= copies; i++) fs.cpSync(sourceSite, path.join(site, `copy${i}`), { recursive: true });
    const started = process.hrtime.bigint();
    const records = program.index(site);
    const indexSeconds = Number(process.hrtime.bigint() - started) / 1e9;
    const out = program.make({ OutputWindowType: 0 });
    const searchPage = pathToFileURL(path.join(out, "search.html")).href;
    const dataSize = fs.statSync(path.join(out, "webdata.js")).size;

    browser = await Browser.launch();
    const page = await browser.newPage();
    // Notes, in the page's own clock, when the results first stand in the
    // document, and every task over 50 ms; a timer survives the result
    // page's document.open.
    await page.send("Page.addScriptToEvaluateOnNewDocument", {
        source: `(function () {
            window.__longTasks = [];
            new PerformanceObserver(function (list) {
                list.getEntries().forEach(function (e) { window.__longTasks.push([e.startTime, e.duration]); });
            }).observe({ type: "longtask" });
            var timer = setInterval(function () {
                if (!document.getElementById("fl-results")) return;
                clearInterval(timer);
                window.__resultsAt = performance.now();
                requestAnimationFrame(function () {
                    setTimeout(function () { window.__paintedAt = performance.now(); }, 0);
                });
            }, 1);
        })();`
    });

    const load = async (url, wanted) => {
        await page.goto("about:blank");
        await page.goto(url);
        return page.waitFor(`(() => {
            const nav = performance.getEntriesByType("navigation")[0];
            if (!nav || !nav.domContentLoadedEventEnd) return null;
            if (${wanted} && !window.__paintedAt) return null;
            return { dcl: nav.domContentLoadedEventEnd, dclStart: nav.domContentLoadedEventStart,
                results: window.__resultsAt, painted: window.__paintedAt };
        })()`, { timeout: 120000 });
    };

    const usable = [];
    for (let k = 0; k < LOADS; k++) usable.push((await load(searchPage, false)).dcl);
    const first = [];
    for (let k = 0; k < LOADS; k++) first.push(await load(searchPage + "?q=virtual+table", true));

    // Later searches go through the form of the open page and are shown in place.
    const inPlace = async (q, m, s = 0) => page.evaluate((text, matching, strategy) => {
        /* global Findlark, arrFiles, fileNum */
        const index = Findlark.indexFor(arrFiles, typeof fileNum === "undefined" ? undefined : fileNum);
        // Without the scans and searches kept from earlier ones: each word is new.
        index.forget();
        const form = document.forms[0];
        form.elements.namedItem("q").value = text;
        // The Simple template has no choice of strategies: hidden fields send them.
        const send = (name, value) => {
            let field = form.elements.namedItem(name);
            if (!field) {
                field = document.createElement("input");
                field.type = "hidden";
                field.name = name;
                form.appendChild(field);
            }
            field.value = String(value);
        };
        send("m", matching);
        send("s", strategy);
        const t0 = performance.now();
        // The submit handler searches and shows the results before this returns.
        form.requestSubmit();
        const t1 = performance.now();
        const found = document.querySelector(".fl-count").textContent;
        return new Promise((resolve) => requestAnimationFrame(() => setTimeout(() =>
            resolve({ script: t1 - t0, painted: performance.now() - t0, found }), 0)));
    }, q, m, s);
    // Runs in the page.
    const prepared = () => {
        const index = Findlark.indexFor(arrFiles, typeof fileNum === "undefined" ? undefined : fileNum);
        return index.titlesPrepared === index.length && [1, 2, 3, 4].every((f) => index.wordIndexes[f] && index.wordIndexes[f].done === index.length);
    };

    await load(searchPage, false);
    const coldAtOnce = await inPlace("sqlite", 0);
    // The preparation while idle, from the end of DOMContentLoaded (it
    // starts there) to a prepared index, in the page's clock, and the tasks
    // over 50 ms in that time.
    const preparations = [];
    for (let k = 0; k < PREPARATIONS; k++) {
        const { dcl } = await load(searchPage, false);
        const done = await page.waitFor(`(${prepared})() && performance.now()`, { timeout: 300000, what: "the index to be prepared" });
        const tasks = await page.evaluate((from, to) => window.__longTasks.filter(([start]) => start >= from && start <= to),
            dcl, done);
        preparations.push({ ms: done - dcl, longest: Math.max(0, ...tasks.map(([, d]) => d)), over: tasks.length });
    }
    const coldPrepared = await inPlace("sqlite", 0);

    const queries = ["table", "virtual table", "create virtual table"];
    const rows = [];
    for (const q of queries) {
        for (const [m, s] of [[0, 0], [1, 0], [2, 0], [0, 1], [0, 2], [0, 3]]) {
            const script = [], painted = [];
            let found = "";
            for (let k = 0; k < REPEATS; k++) {
                // Another search in between, so that each one changes the page.
                await inPlace("database", 1);
                const r = await inPlace(q, m, s);
                script.push(r.script);
                painted.push(r.painted);
                found = r.found;
            }
            rows.push({ q, m, s, script: median(script), painted: median(painted), found });
        }
    }
    // Paging: the same search again, answered from memory.
    await inPlace("virtual table", 1);
    const paging = [];
    for (let k = 0; k < REPEATS; k++) {
        paging.push(await page.evaluate(() => {
            const next = document.querySelector("nav.fl-pages a.fl-next") || document.querySelector("nav.fl-pages a.fl-prev");
            const t0 = performance.now();
            next.click();
            return performance.now() - t0;
        }));
    }
    const problems = page.problems();

    console.log(`site: ${copies} copies of ${sourceSite}, ${records} pages, indexed in ${indexSeconds.toFixed(2)} s`);
    console.log(`webdata.js: ${(dataSize / 1048576).toFixed(1)} MB (${dataSize} bytes)`);
    console.log("");
    console.log(`medians of ${LOADS} loads, since opening the address`);
    console.log(`search.html usable (DOMContentLoaded)            ${ms(median(usable))}`);
    console.log(`search.html?q=virtual+table results in the page  ${ms(median(first.map((f) => f.results)))}`);
    console.log(`search.html?q=virtual+table results on screen    ${ms(median(first.map((f) => f.painted)))}`);
    console.log(`first answer after webdata.js was read           ${ms(median(first.map((f) => f.results - f.dclStart)))}` +
        `  (to DOMContentLoaded, then search and page)`);
    console.log("");
    console.log(`preparing the index while idle, from DOMContentLoaded, ${PREPARATIONS} loads:`);
    console.log(`  total preparation time                         ${preparations.map((p) => ms(p.ms)).join(" ")}`);
    console.log(`  longest task while preparing                   ${preparations.map((p) => ms(p.longest)).join(" ")}`);
    console.log(`  tasks over 50 ms while preparing               ${preparations.map((p) => String(p.over).padStart(11)).join(" ")}`);
    console.log("");
    console.log(`first search in place ("sqlite", all fields), search and page / on screen:`);
    console.log(`  at once after the load, while preparing        ${ms(coldAtOnce.script)} ${ms(coldAtOnce.painted)}`);
    console.log(`  after the index was prepared                   ${ms(coldPrepared.script)} ${ms(coldPrepared.painted)}`);
    console.log("");
    console.log(`later searches in place, new words each time, median of ${REPEATS}:`);
    console.log(`query                    matching   fields       search and page  on screen   found`);
    for (const r of rows) {
        console.log(`${JSON.stringify(r.q).padEnd(24)} ${["all words", "any word", "phrase"][r.m].padEnd(10)} ` +
            `${["all", "title", "keywords", "description"][r.s].padEnd(12)} ` +
            `${ms(r.script)}  ${ms(r.painted)}   ${r.found}`);
    }
    console.log(`another page of the same results (Next)          ${ms(median(paging))}`);
    if (problems.length) console.log(`\npage problems:\n${problems.join("\n")}`);
} finally {
    await browser?.close();
    program.remove();
    fs.rmSync(work, { recursive: true, force: true });
}
