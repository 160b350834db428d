// SearchFunc.dat and the tool that makes it. The build's own files are used
// when the environment names them (FINDLARK_SEARCHFUNC_DAT, the encoded file;
// FINDLARK_ESCAPESCRIPT, the tool); otherwise the tool is compiled here with
// g++ and run on the sources.
import test from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import vm from "node:vm";
import { spawnSync } from "node:child_process";
import { fileURLToPath } from "node:url";
import { joinedSource, sourceFiles, webdata, plain } from "./engine.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const toolSource = path.resolve(here, "../../engines/javascript/tools/EscapeScript.cpp");
const work = fs.mkdtempSync(path.join(os.tmpdir(), "findlark-escape-"));
process.on("exit", () => fs.rmSync(work, { recursive: true, force: true }));

function findTool() {
    if (process.env.FINDLARK_ESCAPESCRIPT) return process.env.FINDLARK_ESCAPESCRIPT;
    const exe = path.join(work, "EscapeScript");
    const built = spawnSync("g++", ["-std=c++17", "-O1", "-o", exe, toolSource], { encoding: "utf8" });
    return built.status === 0 ? exe : null;
}
const tool = findTool();

function escapeFiles(inputs) {
    const out = path.join(work, `out-${Math.random().toString(36).slice(2)}.dat`);
    const result = spawnSync(tool, [out, ...inputs], { encoding: "utf8" });
    return { status: result.status, stderr: result.stderr, out, exists: fs.existsSync(out) };
}

function readDat(file) {
    return fs.readFileSync(file, "latin1");
}

function shippedDat() {
    if (process.env.FINDLARK_SEARCHFUNC_DAT) return readDat(process.env.FINDLARK_SEARCHFUNC_DAT);
    const made = escapeFiles(sourceFiles());
    assert.equal(made.status, 0, made.stderr);
    return readDat(made.out);
}

// What the generator writes into searchfunc.js, line by line.
function generatedScript(dat, options = {}) {
    const lines = [
        "//Translate search result info into your language",
        "StrYourSearch=\"Your search:\"; //Your search:", "StrNewSearch=\"New Search\"; //New Search",
        "StrCloseWindow=\"Close Window\"; //Close Window", "StrFind=\"Find\"; //Find", "StrItems=\"items\"; //items",
        "strResultPage=\"Result Page\"; //Result Page", "strPrevious=\"Previous\"; //Previous", "strNext=\"Next\"; //Next",
        "",
        "//Options for the search engine",
        ...Object.entries(options).map(([k, v]) => `${k}=${typeof v === "string" ? `'${v}'` : v}; //option`),
        "",
        "SearchFileName=\"search.html\"; //search file's name",
        "",
        "PreSearResultHTML=\"<html><body>\\r\\n<!-- Findlark (x) -- Add a search tool to your website. -->\\r\\n\";",
        "StepSearResultHTML=\"</body></html>\\r\\n\";",
        "document.write(\"<script LANGUAGE='JavaScript' src='webdata.js'></script>\"); ",
        "eval( unescape(\"" + dat.split("\r\n").join("") + "\") );",
        ""
    ];
    return lines.join("\r\n");
}

test("SearchFunc.dat", { skip: !tool && !process.env.FINDLARK_SEARCHFUNC_DAT && "no g++ to build the tool" }, async (t) => {
    const dat = shippedDat();

    await t.test("unescape gives the source back", () => {
        // A stale SearchFunc.dat (sources edited, build not run) fails here.
        assert.ok(unescape(dat.split("\r\n").join("")) === joinedSource(),
            "SearchFunc.dat does not decode to engines/javascript/searchfunc/*.js");
    });

    await t.test("short CR LF lines of unescape's plain characters and whole escapes", () => {
        assert.ok(dat.endsWith("\r\n"));
        const lines = dat.split("\r\n").slice(0, -1);
        assert.ok(lines.length > 10);
        for (const line of lines) {
            assert.ok(line.length > 0 && line.length <= 100, `line of ${line.length}`);
            assert.match(line, /^(?:[A-Za-z0-9@*_+\-./]|%[0-9A-F]{2}|%u[0-9A-F]{4})+$/);
        }
    });

    await t.test("the generated script runs the functions at the top level, before the index", () => {
        const written = [];
        const ctx = vm.createContext({ document: { write: (s) => written.push(s) } });
        vm.runInContext(generatedScript(dat, { MatchingStrategy: 1, HitTextColor: "#abcdef" }), ctx);
        assert.deepEqual(written, ["<script LANGUAGE='JavaScript' src='webdata.js'></script>"]);
        assert.equal(typeof ctx.Findlark.searchPage, "function");
        const options = ctx.Findlark.readOptions();
        assert.equal(options.matching, 1);
        assert.equal(options.hitTextColor, "#abcdef");
        // Then webdata.js runs, and a search finds its records.
        vm.runInContext(webdata([["a.htm", "Alpha", "x"], ["b.htm", "Beta", "y"]]), ctx);
        const F = ctx.Findlark;
        const request = F.requestFrom(F.parseParams("?q=alpha+beta"), options);
        const result = F.searchPage(request, { records: ctx.arrFiles, count: ctx.fileNum, options,
            strings: F.readStrings(), links: { base: "search.html", newSearch: "search.html" } });
        assert.deepEqual(plain(result.hits.map((h) => h.index)).sort(), [0, 1]);
    });
});

test("EscapeScript", { skip: !tool && "no g++ to build the tool" }, async (t) => {
    const input = (name, bytes) => {
        const file = path.join(work, name);
        fs.writeFileSync(file, bytes);
        return file;
    };

    await t.test("any text survives: quotes, backslashes, percent signs, non-ASCII, astral", () => {
        const text = "var s = \"caf\u00e9 \u20ac \u{1F600}\\n\" + '%41%u0041' + `\t`;\r\n// \u00ff\u0100 end\n";
        const made = escapeFiles([input("utf8.js", Buffer.from(text, "utf8"))]);
        assert.equal(made.status, 0, made.stderr);
        const dat = readDat(made.out);
        assert.match(dat, /caf%E9%20%u20AC%20%uD83D%uDE00/);
        assert.equal(unescape(dat.split("\r\n").join("")), text);
    });

    await t.test("files are joined in the order given, each ending with a line feed", () => {
        const a = input("a.js", "first");
        const b = input("b.js", "second\n");
        const made = escapeFiles([b, a, b]);
        assert.equal(made.status, 0, made.stderr);
        assert.equal(unescape(readDat(made.out).split("\r\n").join("")), "second\nfirst\nsecond\n");
    });

    await t.test("long text is cut into lines without splitting an escape", () => {
        const made = escapeFiles([input("long.js", "\u0101".repeat(500) + "ab".repeat(300))]);
        const lines = readDat(made.out).split("\r\n").slice(0, -1);
        for (const line of lines) {
            assert.ok(line.length <= 100);
            assert.match(line, /^(?:[a-z]|%0A|%u0101)+$/);
        }
        assert.equal(unescape(lines.join("")), "\u0101".repeat(500) + "ab".repeat(300) + "\n");
    });

    await t.test("bad input fails without leaving an output", () => {
        for (const bytes of [[0x61, 0xff, 0x62], [0xc3], [0xe0, 0x80, 0x80], [0xed, 0xa0, 0x80], [0xf4, 0x90, 0x80, 0x80]]) {
            const made = escapeFiles([input("bad.js", Buffer.from(bytes))]);
            assert.equal(made.status, 1, JSON.stringify(bytes));
            assert.match(made.stderr, /not UTF-8/);
            assert.equal(made.exists, false);
        }
        const missing = escapeFiles([path.join(work, "no-such-file.js")]);
        assert.equal(missing.status, 1);
        assert.equal(missing.exists, false);
        const usage = spawnSync(tool, [path.join(work, "x.dat")], { encoding: "utf8" });
        assert.equal(usage.status, 1);
        assert.match(usage.stderr, /usage/);
    });
});
