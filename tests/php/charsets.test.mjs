// Pages written in the web's older character sets, and one in UTF-16: a
// folder run and a crawl turn each into UTF-8, so a search for one of its
// words finds it in the browser engine and in search.php.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import {
    BARE, Program, PhpServer, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, phpResults, hitLinks,
    query, tempDir, writeSite
} from "./fixture.mjs";

// An ASCII page around the word's bytes, which are given as hex so that no
// encoder of the test's own decides what the page holds.
function legacyPage(declaration, wordHex) {
    return Buffer.concat([
        Buffer.from(`<!DOCTYPE html>\n<html><head>${declaration}<title>Page</title></head>\n<body><p>before `),
        Buffer.from(wordHex, "hex"),
        Buffer.from(" after</p></body></html>\n")
    ]);
}

const httpEquiv = (charset) => `<meta http-equiv="Content-Type" content="text/html; charset=${charset}">`;

// file name -> [the page's bytes, a word only that page holds]
const PAGES = {
    "latin.html": [legacyPage(`<meta charset="windows-1252">`, "636166e9"), "café"],
    "polish.html": [legacyPage(`<meta charset="iso-8859-2">`, "a3f364bc"), "Łódź"],
    "japanese.html": [legacyPage(`<meta charset="Shift_JIS">`, "93fa967b8cea"), "日本語"],
    "chinese.html": [legacyPage(`<meta charset="gbk">`, "d6d0cec4"), "中文"],
    "korean.html": [legacyPage(httpEquiv("euc-kr"), "c7d1b1b9beee"), "한국어"],
    "utf16.html": [Buffer.concat([Buffer.from("fffe", "hex"), Buffer.from(
        "<!DOCTYPE html>\n<html><head><title>Page</title></head>\n" +
        "<body><p>before Ελληνικά after</p></body></html>\n", "utf16le")]), "Ελληνικά"]
};

// The crawl starts here and finds the pages by its links.
const INDEX = "<!DOCTYPE html><title>Pages</title>" +
    Object.keys(PAGES).map((name) => `<a href="${name}">${name}</a>`).join("") + "\n";

let program, siteDir, site, servers = [];

before(async () => {
    program = new Program();
    addBareTemplate(program);
    siteDir = tempDir("php-charsets");
    const files = Object.fromEntries(Object.entries(PAGES).map(([name, [bytes]]) => [name, bytes]));
    writeSite(siteDir, { "index.html": INDEX, ...files });
    // The header names no set, as many servers send it, except for the UTF-16 page, where it names the
    // wrong one: the byte order mark must win.
    site = http.createServer((req, res) => {
        const name = new URL(req.url, "http://127.0.0.1").pathname.slice(1) || "index.html";
        const file = path.join(siteDir, name);
        if (!(name in PAGES) && name !== "index.html") {
            res.writeHead(404, { "Content-Type": "text/plain" });
            res.end("not found");
            return;
        }
        res.writeHead(200, { "Content-Type": name === "utf16.html" ? "text/html; charset=windows-1252" : "text/html" });
        res.end(fs.readFileSync(file));
    });
    await new Promise((resolve) => site.listen(0, "127.0.0.1", resolve));
});

after(() => {
    site?.closeAllConnections();
    site?.close();
    for (const server of servers) server.stop();
    program?.remove();
    if (siteDir) fs.rmSync(siteDir, { recursive: true, force: true });
});

// Program.run waits synchronously, and this process's server could not answer meanwhile.
function crawl(address, settings) {
    const child = spawn(program.executable, ["index-website", address, "--quiet", ...Program.settings(settings)], {
        env: { ...process.env, XDG_CONFIG_HOME: program.config, QT_QPA_PLATFORM: "offscreen" },
        stdio: ["ignore", "ignore", "pipe"]
    });
    let stderr = "";
    child.stderr.on("data", (d) => { stderr += d; });
    return new Promise((resolve, reject) => {
        child.on("error", reject);
        child.on("close", (status) => status === 0 ? resolve() : reject(new Error(`the crawl failed (${status}):\n${stderr}`)));
    });
}

// For each page's word, the pages each engine finds, by file name.
async function searchBoth(out) {
    const engine = javaScriptEngine(out.js);
    const server = await PhpServer.start(out.php);
    servers.push(server);
    const names = (links) => links.map((link) => link.replace(/^.*\//, ""));
    const expected = {}, found = {};
    for (const [name, [, word]] of Object.entries(PAGES)) {
        const search = query(word);
        expected[word] = { javaScript: [name], php: [name] };
        found[word] = {
            javaScript: names(hitLinks(javaScriptResults(engine, search))),
            php: names(hitLinks(await phpResults(server, search)))
        };
    }
    assert.deepEqual(server.problems(), []);
    return { expected, found };
}

test("a folder run: a word of each page finds that page in both engines", async () => {
    const { expected, found } = await searchBoth(makeBoth(program, siteDir));
    assert.deepEqual(found, expected);
});

test("a crawl: a word of each page finds that page in both engines, the header's wrong set notwithstanding", async () => {
    const address = `http://127.0.0.1:${site.address().port}/`;
    // Each engine is made from a crawl of its own, as makeBoth makes them from a folder run each.
    const out = {};
    for (const [engineName, ScriptType] of [["js", 0], ["php", 2]]) {
        await crawl(address, { ScriptType });
        out[engineName] = program.make({ ScriptType, SelTemplateName: BARE });
    }
    const { expected, found } = await searchBoth(out);
    assert.deepEqual(found, expected);
});
