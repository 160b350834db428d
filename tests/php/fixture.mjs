// What the PHP tests share: a program folder that makes both the browser's
// and the PHP search engine of a site, the browser engine run under node on
// its webdata.js, and PHP's built-in web server serving search.php.
import { spawn, spawnSync } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import path from "node:path";
import vm from "node:vm";
import { Program } from "../browser/fixture.mjs";

export { Program };
export { query, tempDir, writeSite, page, sampleSite, realSite } from "../browser/fixture.mjs";

export const php = process.env.FINDLARK_PHP || "php";

// True when php runs and has pdo_sqlite; the reason otherwise.
export function phpProblem() {
    const check = spawnSync(php, ["-r", "$d = new PDO('sqlite::memory:'); echo 'ok';"], { encoding: "utf8" });
    if (check.error) return `${php} cannot be run (${check.error.code})`;
    return check.stdout === "ok" ? null : `php lacks pdo_sqlite: ${check.stderr}`;
}

// A user's template holding nothing but the marker: the result page is then
// the search functions' HTML alone, which both engines must agree on.
export const BARE = "Bare";

export function addBareTemplate(program) {
    const dir = path.join(program.dir, "Template", BARE);
    fs.mkdirSync(dir, { recursive: true });
    fs.writeFileSync(path.join(dir, "search.html"), "<!DOCTYPE html><title>Search</title>\n");
    fs.writeFileSync(path.join(dir, "result.html"), "<%CONTENT%>\n");
}

// Indexes the site for each engine and makes both from the same settings.
// Returns { js, php }: the two output folders.
export function makeBoth(program, site, { settings = {}, template = BARE, exclude = [] } = {}) {
    program.index(site, { exclude, settings: { ...settings, ScriptType: 0 } });
    // The server engine has no New Search link; the browser's is left out to match.
    const js = program.make({ ...settings, ScriptType: 0, SelTemplateName: template, NoNewSearchLink: 1 });
    program.index(site, { exclude, settings: { ...settings, ScriptType: 2 } });
    const phpDir = program.make({ ...settings, ScriptType: 2, SelTemplateName: template });
    return { js, php: phpDir };
}

export function javaScriptEngine(dir) {
    const ctx = vm.createContext({ document: { write() {} } });
    vm.runInContext(fs.readFileSync(path.join(dir, "searchfunc.js"), "utf8"), ctx, { filename: "searchfunc.js" });
    vm.runInContext(fs.readFileSync(path.join(dir, "webdata.js"), "utf8"), ctx, { filename: "webdata.js" });
    return ctx;
}

const SERVER_LINKS = { base: "search.php", target: null, hitTarget: null, newSearch: "search.html" };

// The result HTML the browser engine shows for "?" + search, with the page
// links it would have on the server.
export function javaScriptResults(ctx, search) {
    const F = ctx.Findlark;
    const options = F.readOptions();
    const request = F.requestFrom(F.parseParams(search), options);
    return F.searchPage(request, {
        records: ctx.arrFiles, count: ctx.fileNum, options, strings: F.readStrings(), links: SERVER_LINKS, canClose: false
    }).html;
}

function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer();
        server.once("error", reject);
        server.listen(0, "127.0.0.1", () => {
            const { port } = server.address();
            server.close(() => resolve(port));
        });
    });
}

async function waitForPort(port, child) {
    for (let k = 0; k < 200; k++) {
        if (child.exitCode !== null) throw new Error(`php -S ended (${child.exitCode})`);
        const open = await new Promise((resolve) => {
            const socket = net.connect(port, "127.0.0.1", () => { socket.end(); resolve(true); });
            socket.once("error", () => resolve(false));
        });
        if (open) return;
        await new Promise((r) => setTimeout(r, 25));
    }
    throw new Error("php -S did not listen");
}

// PHP's built-in server on a folder. log() is what it wrote: a line per
// request, and any warning or notice a script raised.
export class PhpServer {
    static async start(root) {
        const port = await freePort();
        const child = spawn(php, ["-d", "error_reporting=E_ALL", "-d", "display_errors=stderr", "-d", "log_errors=0",
            "-S", `127.0.0.1:${port}`, "-t", root], { stdio: ["ignore", "pipe", "pipe"] });
        const server = new PhpServer(child, port, root);
        child.stdout.on("data", (d) => { server.output += d; });
        child.stderr.on("data", (d) => { server.output += d; });
        await waitForPort(port, child);
        return server;
    }

    constructor(child, port, root) {
        this.child = child;
        this.port = port;
        this.root = root;
        this.output = "";
    }

    url(pathAndQuery) {
        return `http://127.0.0.1:${this.port}/${pathAndQuery.replace(/^\//, "")}`;
    }

    // The raw response for a path and query, which may hold bytes no URL
    // class would let through.
    get(pathAndQuery) {
        return new Promise((resolve, reject) => {
            const socket = net.connect(this.port, "127.0.0.1", () => {
                socket.write(`GET /${pathAndQuery.replace(/^\//, "")} HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n`, "latin1");
            });
            const chunks = [];
            socket.on("data", (c) => chunks.push(c));
            socket.on("error", reject);
            socket.on("end", () => {
                const all = Buffer.concat(chunks);
                const split = all.indexOf("\r\n\r\n");
                const head = all.subarray(0, split).toString("latin1");
                resolve({ status: Number(/^HTTP\/\S+ (\d+)/.exec(head)?.[1]), head, body: all.subarray(split + 4).toString("utf8"), bytes: all.length });
            });
        });
    }

    // What the log holds besides the lines of the requests themselves.
    problems() {
        // The server logs a request's lines after the answer has gone out, so the last line may still be
        // arriving; only whole lines are judged.
        const whole = this.output.slice(0, this.output.lastIndexOf("\n") + 1);
        return whole.split("\n").filter((line) => line.trim() !== "" &&
            !/Development Server \(.*\) started|Accepted$|Closing$|Closed without sending a request|\[\d{3}\]: (GET|HEAD|POST) /.test(line));
    }

    stop() {
        this.child.kill("SIGTERM");
    }
}

// The body search.php answers for a query part (with "?").
export async function phpResults(server, search) {
    const response = await server.get("search.php" + search);
    if (response.status !== 200) throw new Error(`search.php${search}: status ${response.status}\n${response.body}`);
    return response.body.replace(/\s+$/, "");
}

// The pieces of a result page that tests read.
export function hitLinks(html) {
    return [...html.matchAll(/<li class="fl-hit"><(?:a|span) class="fl-hit-title"(?: href="([^"]*)")?/g)].map((m) => m[1]);
}

export function resultCount(html) {
    const m = /<span class="fl-count">[^<]*?(\d+)[^<]*<\/span>/.exec(html);
    return m ? Number(m[1]) : null;
}
