// search.asp answers from the word index, reading whole rows of IndexData
// only for the hits it shows, and refuses an index written without one.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import vm from "node:vm";
import initSqlJs from "sql.js";
import {
    Program, addBareTemplate, makeBoth, javaScriptEngine, javaScriptResults, aspHost, aspResults, resultCount,
    query, sampleSite, tempDir, writeSite, page
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
    // One statement for the rows of the hits on the page.
    const reads = statements.filter(({ sql }) => /\bFROM IndexData\b/.test(sql));
    assert.equal(reads.length, 1);
    assert.equal(/WHERE rowid IN \(([\d,]+)\)$/.exec(reads[0].sql)[1].split(",").length, shown);
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

// The decoded postings of SearchPostings: "field word" => "record:count ...".
function storedPostings(database, F) {
    const fields = [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT];
    const postings = new Map();
    const [result] = database.exec("SELECT Field, Word, Records FROM SearchPostings JOIN SearchWords USING (WordID)");
    for (const [field, word, records] of result.values) {
        let record = 0;
        const list = records.split(",").map((entry) => {
            const [step, count = "1"] = entry.split(":");
            record += Number(step);
            return `${record}:${count}`;
        });
        postings.set(`${fields[field]} ${word}`, list.join(" "));
    }
    return postings;
}

// The sample site, and pages for what the word index must count as the browser does: a site's name in
// most titles, separators at a title's ends, a word more often than the ranking counts, words joined
// by underscores or split by symbols, characters beyond U+FFFF, references and escapes.
const WORDS_SITE = (() => {
    const dir = path.join(tempDir("words-site"), "site");
    fs.cpSync(sampleSite, dir, { recursive: true });
    const suffix = " \u2014 Lamplight Docs";
    return writeSite(dir, {
        "w1.html": page({ title: "One" + suffix, body: "word ".repeat(130) + "words sword" }),
        "w2.html": page({ title: "Two | Lamplight Docs", keywords: "Key_word, keys", description: "A \u{1D49C}key",
            body: "__init__ os.path.join c++ caf&eacute; CAF\u00c9 \u017Fecret \"quoted\" back\\slash" }),
        "w3.html": page({ title: "- Three -" + suffix, body: "\u00bd\u00d7 2\u2013 3 \uff21\uff22 na\u00efve" }),
        "w4.html": page({ title: "Four" + suffix, body: "red-green red_green" }),
        "w5.html": page({ title: "Lamplight Docs: Five", body: "five" })
    });
})();

test("the run's word index is the one the browser engine builds from its rows", () => {
    const program = new Program();
    let database;
    try {
        addBareTemplate(program);
        const both = makeBoth(program, WORDS_SITE);
        database = new SQL.Database(fs.readFileSync(path.join(both.asp, "IndexData.mdb")));
        const F = engine.Findlark;
        // The rows in index order, each field the value of the script string it is stored as.
        const [rows] = database.exec("SELECT FileName, Title, Text, Keywords, Description, LinkDescription " +
            "FROM IndexData ORDER BY ID, rowid");
        const records = rows.values.map((row) => row.map((v) => vm.runInNewContext(`"${v ?? ""}"`)));
        assert.ok(records.length > 10);
        const index = new F.Index(records, records.length);
        const expected = new Map();
        for (const field of [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT]) {
            while (!index.prepareWords(field, 1000));
            const words = index.wordIndexes[field];
            words.words.forEach((word, id) => expected.set(`${field} ${word}`,
                words.postings[id].map((p) => `${p >> 7}:${p & 127}`).join(" ")));
        }
        assert.deepEqual(storedPostings(database, F), expected);

        // Each word's occurrences as a query word, summed over the words that hold it.
        const summed = new Map(), found = new Map();
        const [occurrences] = database.exec("SELECT Field, Word, hex(Records) FROM SearchOccurrences " +
            "JOIN SearchWords USING (WordID)");
        for (const [field, word, hex] of occurrences.values) {
            // Variable-length numbers in pairs: the distance from the record before, then the kinds.
            const numbers = [];
            for (let at = 0, value = 0, shift = 0; at < hex.length; at += 2) {
                const byte = parseInt(hex.substring(at, at + 2), 16);
                value += (byte & 127) * 2 ** shift;
                shift += 7;
                if (byte < 128) [numbers[numbers.length], value, shift] = [value, 0, 0];
            }
            const entries = [];
            for (let k = 0, record = 0; k < numbers.length; k += 2) {
                const packed = numbers[k + 1];
                record += numbers[k];
                entries.push(`${record}:${packed & 127},${(packed >> 7) & 127},${packed >> 14}`);
            }
            summed.set(`${[F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT][field]} ${word}`, entries.join(" "));
        }
        for (const field of [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT]) {
            for (const word of new Set([...expected.keys()].map((key) => key.substring(key.indexOf(" ") + 1)))) {
                const { records: holding, kinds } = index.wordIndexes[field].find(word, records.length);
                if (!holding.length) continue;
                found.set(`${field} ${word}`, holding.map((r, k) => `${r}:${kinds[k].map((n) => Math.min(n, 100))}`).join(" "));
            }
        }
        assert.deepEqual(summed, found);

        const [parts] = database.exec("SELECT '#' || Part FROM SearchSharedParts ORDER BY Part");
        const shared = F.sharedTitleParts(index.corpus(F.TITLE));
        assert.ok(Object.keys(shared).length > 0);
        assert.deepEqual(parts.values.flat(), Object.keys(shared).sort());
        const [stored] = database.exec("SELECT Title, Keywords, Description, TextLength, Topic, TitleParts, Untitled " +
            "FROM SearchRecords ORDER BY Rec");
        assert.deepEqual(stored.values, records.map((_, i) => {
            const title = index.foldedText(i, F.TITLE), topic = F.topicTitle(title, shared);
            return [title || null, index.foldedText(i, F.KEYWORDS) || null, index.foldedText(i, F.DESCRIPTION) || null,
                index.foldedLength(i, F.TEXT), topic || null, `\n${F.titleParts(topic).join("\n")}\n`,
                F.isUntitled(title) ? 1 : 0];
        }));
    } finally {
        database?.close();
        program.remove();
    }
});
