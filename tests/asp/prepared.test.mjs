// search.asp searches the prepared text of SearchText when the index has it,
// reading whole rows of IndexData only for the hits it shows, and searches
// IndexData itself when the index was written before SearchText existed;
// both give the JavaScript engine's page.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import initSqlJs from "sql.js";
import {
    Program, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, aspHost, aspResults, resultCount,
    query, sampleSite, tempDir
} from "./fixture.mjs";

// An index without SearchText ranks by its candidate rows alone (see
// 30-page.js), so a query whose words are rarer in the whole index than
// among the candidates ("lantern co.") may order its hits otherwise there;
// these do not.
const QUERIES = ["lantern", "harbor lantern", "e", "pier wind", "Tuesday hello", "don't", "zzzyzzy", "night walk",
    "walk night", "product catalogue", "brass compass", "the"];

let program, host, out, engine;

before(async () => {
    program = new Program();
    addBareTemplate(program);
    host = await aspHost();
    out = makeBoth(program, sampleSite);
    engine = javaScriptEngine(out.js);
});

after(() => program?.remove());

function statementsOf(search, dir) {
    const from = host.statements.length;
    const html = aspResults(host, dir, search);
    return { html, statements: host.statements.slice(from) };
}

test("with SearchText, IndexData is read only for the hits shown", () => {
    const search = query("e", { m: "1" });
    const { html, statements } = statementsOf(search, out.asp);
    assert.equal(html, javaScriptResults(engine, search));
    const shown = (html.match(/<li class="fl-hit">/g) || []).length;
    assert.ok(resultCount(html) > shown, "the query must have hits beyond the page shown");
    const reads = statements.filter(({ sql }) => /\bFROM IndexData\b/.test(sql));
    assert.equal(reads.length, shown);
    for (const { sql } of reads) assert.match(sql, /WHERE rowid = /);
    assert.ok(statements.some(({ sql }) => /\bFROM SearchText\b/.test(sql)));
});

test("an index without SearchText is searched as before, with the same pages", async () => {
    // The older index: IndexData alone, as a copy of the table into a new file.
    const SQL = await initSqlJs();
    const older = path.join(tempDir("asp-older"), "out");
    fs.cpSync(out.asp, older, { recursive: true });
    const file = path.join(older, "IndexData.mdb");
    const source = new SQL.Database(fs.readFileSync(file));
    const target = new SQL.Database();
    try {
        const [create] = source.exec("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'IndexData'")[0].values[0];
        target.run(create);
        const rows = source.exec("SELECT * FROM IndexData ORDER BY rowid")[0];
        const insert = target.prepare(`INSERT INTO IndexData (${rows.columns.join(", ")}) VALUES (${rows.columns.map(() => "?").join(", ")})`);
        for (const row of rows.values) insert.run(row);
        insert.free();
        fs.writeFileSync(file, target.export());
    } finally {
        source.close();
        target.close();
    }

    for (const text of QUERIES) {
        for (const extra of [{}, { m: "1" }, { m: "2" }, { s: "1" }]) {
            const search = query(text, extra);
            const { html, statements } = statementsOf(search, older);
            assert.equal(html, javaScriptResults(engine, search), search);
            assert.ok(!statements.some(({ sql }) => /\bFROM SearchText\b/.test(sql)), search);
        }
    }
    fs.rmSync(path.dirname(older), { recursive: true, force: true });
});
