// Pages written in the web's older character sets, and one in UTF-16 whose
// <meta> names another set: a folder run turns each into UTF-8, so a search
// for one of its words finds it in the browser engine and in search.php.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import {
    Program, PhpServer, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, phpResults, hitLinks,
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
    // The byte order mark outranks the <meta>, which here names a set the page is not in.
    "utf16.html": [Buffer.concat([Buffer.from("fffe", "hex"), Buffer.from(
        `<!DOCTYPE html>\n<html><head>${httpEquiv("windows-1252")}<title>Page</title></head>\n` +
        "<body><p>before Ελληνικά after</p></body></html>\n", "utf16le")]), "Ελληνικά"]
};

let program, siteDir, engine, server;

before(async () => {
    program = new Program();
    addBareTemplate(program);
    siteDir = tempDir("php-charsets");
    writeSite(siteDir, Object.fromEntries(Object.entries(PAGES).map(([name, [bytes]]) => [name, bytes])));
    const out = makeBoth(program, siteDir);
    engine = javaScriptEngine(out.js);
    server = await PhpServer.start(out.php);
});

after(() => {
    server?.stop();
    program?.remove();
    if (siteDir) fs.rmSync(siteDir, { recursive: true, force: true });
});

test("a word of each page finds that page in both engines", async () => {
    const expected = {}, found = {};
    for (const [name, [, word]] of Object.entries(PAGES)) {
        const search = query(word);
        expected[word] = { javaScript: [name], php: [name] };
        found[word] = {
            javaScript: hitLinks(javaScriptResults(engine, search)),
            php: hitLinks(await phpResults(server, search))
        };
    }
    assert.deepEqual(found, expected);
    assert.deepEqual(server.problems(), []);
});
