// search.asp answers from the word index, reading whole rows of IndexData
// only for the hits it shows, and refuses an index written without one.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import initSqlJs from "sql.js";
import {
    Program, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, aspHost, aspResults, resultCount,
    query, sampleSite, tempDir
} from "./fixture.mjs";

let program, host, out, engine, SQL;

before(async () => {
    program = new Program();
    addBareTemplate(program);
    host = await aspHost();
    out = makeBoth(program, sampleSite);
    engine = javaScriptEngine(out.js);
    SQL = await initSqlJs();
});

after(() => program?.remove());

function statementsOf(search, dir) {
    const from = host.statements.length;
    const html = aspResults(host, dir, search);
    return { html, statements: host.statements.slice(from) };
}

test("IndexData is read only for the hits shown", () => {
    const search = query("e", { m: "1" });
    const { html, statements } = statementsOf(search, out.asp);
    assert.equal(html, javaScriptResults(engine, search));
    const shown = (html.match(/<li class="fl-hit">/g) || []).length;
    assert.ok(resultCount(html) > shown, "the query must have hits beyond the page shown");
    const reads = statements.filter(({ sql }) => /\bFROM IndexData\b/.test(sql));
    assert.equal(reads.length, shown);
    for (const { sql } of reads) assert.match(sql, /WHERE rowid = /);
    assert.ok(statements.some(({ sql }) => /\bFROM SearchWords\b/.test(sql)));
});

test("an index without its word index gives a notice", () => {
    // An index of an older version: the rows alone.
    const older = path.join(tempDir("asp-older"), "out");
    fs.cpSync(out.asp, older, { recursive: true });
    const file = path.join(older, "IndexData.mdb");
    const database = new SQL.Database(fs.readFileSync(file));
    try {
        database.run("DROP TABLE SearchRecords; DROP TABLE SearchWords; DROP TABLE SearchPostings; DROP TABLE SearchSharedParts");
        fs.writeFileSync(file, database.export());
    } finally {
        database.close();
    }
    assert.match(aspResults(host, older, query("lantern")),
        /<p class="fl-notice">The search is not available: the index database could not be read \(/);
    fs.rmSync(path.dirname(older), { recursive: true, force: true });
});
