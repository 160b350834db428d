// What the browser tests need around the browser: a program folder of their
// own with the built findlark, sites to index, search engines made from them,
// and a small static web server on the loopback.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = process.env.FINDLARK_SOURCE_DIR || path.resolve(here, "../..");
export const sampleSite = path.join(sourceDir, "examples/site");
export const realSite = process.env.FINDLARK_REAL_SITE || "/usr/share/doc/sqlite3";

// The built program's files, named by the test's environment (CTest sets
// them); a program folder alone gives all four.
function built() {
    const dir = process.env.FINDLARK_PROGRAM_DIR;
    const pick = (name, file) => process.env[name] || (dir ? path.join(dir, file) : null);
    const files = {
        executable: pick("FINDLARK_EXECUTABLE", "findlark"),
        searchFunc: pick("FINDLARK_SEARCHFUNC_DAT", "SearchFunc.dat"),
        database: pick("FINDLARK_INDEXDATA_MDB", "IndexData.mdb"),
        templates: pick("FINDLARK_TEMPLATE_DIR", "Template")
    };
    for (const [what, file] of Object.entries(files)) {
        if (!file || !fs.existsSync(file)) {
            throw new Error(`the built ${what} is missing (${file}): set FINDLARK_PROGRAM_DIR to the build folder`);
        }
    }
    return files;
}

export function tempDir(label) {
    return fs.mkdtempSync(path.join(os.tmpdir(), `findlark-${label}-`));
}

// A copy of the program in a folder of its own: it writes its index beside
// itself. Its settings live in the same temporary folder, never in the
// user's.
export class Program {
    constructor() {
        const files = built();
        this.root = tempDir("program");
        this.dir = path.join(this.root, "program");
        fs.mkdirSync(this.dir);
        this.executable = path.join(this.dir, "findlark");
        fs.copyFileSync(files.executable, this.executable);
        fs.chmodSync(this.executable, 0o755);
        fs.copyFileSync(files.searchFunc, path.join(this.dir, "SearchFunc.dat"));
        // The server-side code of the ASP and PHP variants is made beside SearchFunc.dat.
        for (const name of ["SearchFuncASP.dat", "SearchFuncPHP.dat"]) {
            const serverCode = path.join(path.dirname(files.searchFunc), name);
            if (fs.existsSync(serverCode)) fs.copyFileSync(serverCode, path.join(this.dir, name));
        }
        fs.copyFileSync(files.database, path.join(this.dir, "IndexData.mdb"));
        fs.cpSync(files.templates, path.join(this.dir, "Template"), { recursive: true });
        this.config = path.join(this.root, "config");
        fs.mkdirSync(this.config);
    }

    run(args) {
        const result = spawnSync(this.executable, args, {
            encoding: "utf8",
            env: { ...process.env, XDG_CONFIG_HOME: this.config, QT_QPA_PLATFORM: "offscreen" },
            maxBuffer: 64 * 1024 * 1024
        });
        if (result.status !== 0) {
            throw new Error(`findlark ${args.join(" ")} failed (${result.status}):\n${result.stderr}${result.error || ""}`);
        }
        return result.stdout;
    }

    static settings(values) {
        return Object.entries(values).flatMap(([k, v]) => ["--set", `${k}=${v}`]);
    }

    // Indexes the folder for the JavaScript engine; excluded sub-folders are
    // given relative to it. Returns the number of records.
    index(site, { exclude = [], settings = {} } = {}) {
        const root = site.endsWith("/") ? site : site + "/";
        const values = { ScriptType: 0, ...settings, NoIncFileListItemNum: exclude.length };
        exclude.forEach((folder, k) => {
            values[`NoIncFileListItem${k}`] = root + folder.replace(/\/?$/, "/");
        });
        const out = this.run(["index-folder", site, "--quiet", ...Program.settings(values)]);
        const finish = /Finish\t(\d+) records/.exec(out);
        if (!finish) throw new Error(`no Finish line in:\n${out}`);
        return Number(finish[1]);
    }

    // Writes the search engine of the last index into a new folder (or the
    // one given) and returns it.
    make(settings = {}, output = null) {
        const dir = output || fs.mkdtempSync(path.join(this.root, "out-"));
        fs.mkdirSync(dir, { recursive: true });
        this.run(["make", ...Program.settings({ ScriptType: 0, SelTemplateName: "Simple", ...settings,
            OutputPath: dir.endsWith("/") ? dir : dir + "/" })]);
        return dir;
    }

    remove() {
        fs.rmSync(this.root, { recursive: true, force: true });
    }
}

export function fileUrl(dir, name, search = "") {
    return pathToFileURL(path.join(dir, name)).href + search;
}

// The query part of an address for a search.
export function query(text, extra = {}) {
    const params = new URLSearchParams({ q: text, ...extra });
    return "?" + params.toString();
}

// Writes a site: pages is { "path/name.html": html }.
export function writeSite(dir, pages) {
    for (const [name, html] of Object.entries(pages)) {
        const file = path.join(dir, name);
        fs.mkdirSync(path.dirname(file), { recursive: true });
        fs.writeFileSync(file, html);
    }
    return dir;
}

export function page({ title = "", keywords = null, description = null, linkDescription = null, body = "" }) {
    const meta = [];
    if (keywords !== null) meta.push(`<meta name="keywords" content="${keywords}">`);
    if (description !== null) meta.push(`<meta name="description" content="${description}">`);
    if (linkDescription !== null) meta.push(`<meta name="linkdescription" content="${linkDescription}">`);
    return `<!DOCTYPE html>\n<html><head><title>${title}</title>\n${meta.join("\n")}\n</head>\n<body>\n${body}\n</body></html>\n`;
}

const TYPES = {
    ".html": "text/html; charset=utf-8", ".htm": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8",
    ".css": "text/css; charset=utf-8", ".svg": "image/svg+xml", ".txt": "text/plain; charset=utf-8"
};

// Serves the folder on 127.0.0.1 (any free port) as a plain static site.
// Returns { origin, close(), requests } where requests lists the paths asked
// for, in order.
export async function serve(root) {
    const requests = [];
    const server = http.createServer((req, res) => {
        const url = new URL(req.url, "http://127.0.0.1");
        requests.push(url.pathname);
        // Browsers ask for it unprompted; an empty answer keeps the console clean.
        if (url.pathname === "/favicon.ico") {
            res.writeHead(204);
            res.end();
            return;
        }
        const file = path.join(root, decodeURIComponent(url.pathname));
        if (!file.startsWith(root + path.sep) && file !== root) {
            res.writeHead(403);
            res.end();
            return;
        }
        fs.readFile(file, (error, data) => {
            if (error) {
                res.writeHead(404, { "Content-Type": "text/plain" });
                res.end("not found");
                return;
            }
            res.writeHead(200, {
                "Content-Type": TYPES[path.extname(file).toLowerCase()] || "application/octet-stream",
                "Cache-Control": "no-cache"
            });
            res.end(data);
        });
    });
    await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
    const { port } = server.address();
    return {
        origin: `http://127.0.0.1:${port}`,
        requests,
        close: () => new Promise((resolve) => {
            server.closeAllConnections();
            server.close(resolve);
        })
    };
}

// Ends what a test file started: the browser, the program folder and the site.
export async function cleanUp({ browser, program, siteDir }) {
    await browser?.close();
    program?.remove();
    if (siteDir) fs.rmSync(siteDir, { recursive: true, force: true });
}
