// Loads the search functions the way a page does (one classic script, run at
// the top level) into a node vm context, with options and an index that look
// like the ones searchfunc.js and webdata.js define.
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import vm from "node:vm";
import { spawnSync } from "node:child_process";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, "../../engines/javascript/searchfunc");

const constantsFile = path.resolve(here, "../../support/ranking/constants.txt");
const charactersFile = path.resolve(here, "../../support/text/characters.txt");
let filledDir = null;

// A template's text with the ranking constants written in, as the build
// writes them (NAME=value lines; @NAME@ in the template).
export function filledTemplate(text) {
    for (const line of fs.readFileSync(constantsFile, "utf8").split("\n")) {
        const m = /^([A-Z][A-Z0-9_]*)=(.*)$/.exec(line);
        if (m) text = text.split(`@${m[1]}@`).join(m[2]);
    }
    const left = /@[A-Z][A-Z0-9_]*@/.exec(text);
    if (left) throw new Error(`${left[0]} is not in ${constantsFile}`);
    return text;
}

// The build's own tool that writes the character tables into a template
// (FINDLARK_MAKETEXT), or else the same tool compiled here with g++.
let textTool = process.env.FINDLARK_MAKETEXT || null;
function makeTextTool() {
    if (textTool) return textTool;
    const exe = path.join(filledDir, "maketext");
    const built = spawnSync("g++", ["-std=c++20", "-O1", "-o", exe,
        path.resolve(here, "../../support/text/MakeTextSource.cpp")], { encoding: "utf8" });
    if (built.status !== 0) throw new Error(`no FINDLARK_MAKETEXT, and g++ could not build it: ${built.stderr}`);
    return (textTool = exe);
}

// A template's text with the character tables written in first, then the
// ranking constants, as the build does.
function filledFile(file, name) {
    const withText = path.join(filledDir, "text-" + name);
    const made = spawnSync(makeTextTool(), [charactersFile, file, withText], { encoding: "utf8" });
    if (made.status !== 0) throw new Error(`the character tables were not written into ${name}: ${made.stderr}`);
    return filledTemplate(fs.readFileSync(withText, "utf8"));
}

// The sources in name order; a template (*.js.in) is filled into a
// temporary folder first, so that every reader gets the script the build joins.
export function sourceFiles() {
    return fs.readdirSync(sourceDir).filter((f) => f.endsWith(".js") || f.endsWith(".js.in")).sort().map((f) => {
        if (!f.endsWith(".in")) return path.join(sourceDir, f);
        if (!filledDir) {
            filledDir = fs.mkdtempSync(path.join(os.tmpdir(), "findlark-searchfunc-"));
            process.on("exit", () => fs.rmSync(filledDir, { recursive: true, force: true }));
        }
        const filled = path.join(filledDir, f.slice(0, -3));
        fs.writeFileSync(filled, filledFile(path.join(sourceDir, f), f.slice(0, -3)));
        return filled;
    });
}

// The files joined as the build joins them: in name order, each ending with a
// line feed.
export function joinedSource() {
    return sourceFiles().map((f) => {
        const text = fs.readFileSync(f, "utf8");
        return text === "" || text.endsWith("\n") ? text : text + "\n";
    }).join("");
}

// A JavaScript string body as the indexer writes it into webdata.js.
function literal(s) {
    return String(s).replace(/\\/g, "\\\\").replace(/"/g, "\\\"");
}

// webdata.js for records given as arrays of up to six fields (link, title,
// text, keywords, description, link description) or as objects with those
// names.
export function webdata(records, { fileNum = records.length } = {}) {
    const out = ["arrFiles=new Array();"];
    records.forEach((r, i) => {
        const fields = Array.isArray(r) ? r :
            [r.link, r.title, r.text, r.keywords, r.description, r.linkDescription];
        const six = [0, 1, 2, 3, 4, 5].map((k) => literal(fields[k] ?? ""));
        out.push(`arrFiles[${i}]=new Array("${six.join("\",\"")}");`);
    });
    if (fileNum !== null) out.push(`fileNum=${fileNum};`);
    return out.join("");
}

export function loadEngine(globals = {}, records = null, dataOptions = {}) {
    const ctx = vm.createContext({ ...globals });
    vm.runInContext(joinedSource(), ctx, { filename: "searchfunc" });
    if (records) vm.runInContext(webdata(records, dataOptions), ctx, { filename: "webdata.js" });
    return ctx;
}

// Values made in the vm context belong to another realm; strict deep
// comparison needs plain ones.
export function plain(value) {
    return JSON.parse(JSON.stringify(value));
}

export const PLAIN_LINKS = { base: "search.html", target: null, hitTarget: null, newSearch: "search.html" };

// Runs one search as the page would for the address "?" + search.
export function run(ctx, search, { links = PLAIN_LINKS, canClose = false } = {}) {
    const F = ctx.Findlark;
    const options = F.readOptions();
    const request = F.requestFrom(F.parseParams(search), options);
    return F.searchPage(request, {
        records: ctx.arrFiles, count: ctx.fileNum, options, strings: F.readStrings(), links, canClose
    });
}

// The links of the hits, best first.
export function found(ctx, search) {
    return plain(run(ctx, search).hits.map((h) => ctx.arrFiles[h.index][0]));
}

export function q(text, extra = "") {
    return "?q=" + encodeURIComponent(text) + extra;
}
