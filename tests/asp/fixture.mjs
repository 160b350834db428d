// What the ASP tests share: a program folder that makes both search engines
// of a site, the JavaScript engine run under node on its webdata.js, and the
// ASP host running its search.asp.
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";
import { Program } from "../browser/fixture.mjs";
import { AspHost } from "./host.mjs";

export { Program };
export { query, tempDir, writeSite, page, sampleSite, realSite } from "../browser/fixture.mjs";

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
// Returns { js, asp }: the two output folders.
export function makeBoth(program, site, { settings = {}, template = BARE, exclude = [] } = {}) {
    program.index(site, { exclude, settings: { ...settings, ScriptType: 0 } });
    // The server engine has no New Search link; the browser's is left out to match.
    const js = program.make({ ...settings, ScriptType: 0, SelTemplateName: template, NoNewSearchLink: 1 });
    program.index(site, { exclude, settings: { ...settings, ScriptType: 1 } });
    const asp = program.make({ ...settings, ScriptType: 1, SelTemplateName: template });
    return { js, asp };
}

// The JavaScript engine of an output folder: its searchfunc.js and
// webdata.js run in one context, as the browser runs them (without window,
// so the browser part stays idle).
export function javaScriptEngine(dir) {
    const ctx = vm.createContext({ document: { write() {} } });
    vm.runInContext(fs.readFileSync(path.join(dir, "searchfunc.js"), "utf8"), ctx, { filename: "searchfunc.js" });
    vm.runInContext(fs.readFileSync(path.join(dir, "webdata.js"), "utf8"), ctx, { filename: "webdata.js" });
    return ctx;
}

const SERVER_LINKS = { base: "search.asp", target: null, hitTarget: null, newSearch: "search.html" };

// The result HTML the JavaScript engine shows for "?" + search, with the
// page links it would have on the server.
export function javaScriptResults(ctx, search) {
    const F = ctx.Findlark;
    const options = F.readOptions();
    const request = F.requestFrom(F.parseParams(search), options);
    return F.searchPage(request, {
        records: ctx.arrFiles, count: ctx.fileNum, options, strings: F.readStrings(), links: SERVER_LINKS, canClose: false
    }).html;
}

let sharedHost = null;

export async function aspHost() {
    sharedHost ||= await AspHost.create();
    return sharedHost;
}

// The body search.asp of the folder answers for the query part (no "?").
export function aspPage(host, dir, search) {
    return host.run(path.join(dir, "search.asp"), search.replace(/^\?/, "")).body;
}

// What the result page of the bare template holds: the HTML between its
// (empty) halves, without the line breaks that follow.
export function aspResults(host, dir, search) {
    return aspPage(host, dir, search).replace(/\s+$/, "");
}

// The pieces of a result page that tests read.
export function hitLinks(html) {
    return [...html.matchAll(/<li class="fl-hit"><(?:a|span) class="fl-hit-title"(?: href="([^"]*)")?/g)].map((m) => m[1]);
}

export function resultCount(html) {
    const m = /<span class="fl-count">[^<]*?(\d+)[^<]*<\/span>/.exec(html);
    return m ? Number(m[1]) : null;
}
