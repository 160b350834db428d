// findlark make with ScriptType=1 writes the server variant's files: the
// template's pages, IndexData.mdb and search.asp in the generator's layout,
// with the built SearchFunc.dat and SearchFuncASP.dat inside.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import initSqlJs from "sql.js";
import { Program, sampleSite } from "./fixture.mjs";

let program, SQL;
before(async () => {
    program = new Program();
    SQL = await initSqlJs();
});

// A database's schema and rows in order: make copies the database through SQLite, not byte for byte.
const databaseContent = (file) => {
    const db = new SQL.Database(fs.readFileSync(file));
    const dump = [];
    for (const [name] of db.exec("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")[0].values) {
        dump.push(db.exec(`SELECT sql FROM sqlite_master WHERE name = '${name}'`)[0].values,
            db.exec(`SELECT * FROM "${name}" ORDER BY rowid`));
    }
    db.close();
    return dump;
};
after(() => program?.remove());

const SETTINGS = {
    MatchingStrategy: 1, SearchStrategy: 2, OutputWindowType: 0, OutputResultTitle: 1, OutputResultText: 0,
    OutputResultUrl: 1, OutputResultInfo: 0, NoNewSearchLink: 0, NoHorizLine: 1, NoPoweredBy: 1,
    ResultTitleSize: 4, ResultTitleFace: "Verdana", ResultTitleColor: 0x0000ff, ResultTextSize: 2,
    ResultTextFace: "Georgia", ResultTextColor: 0, ResultUrlSize: 1, ResultUrlFace: "arial", ResultUrlColor: 0x008000,
    ResultInfoSize: 2, ResultInfoFace: "arial", ResultInfoColor: 0x123456, HitTitleColor: 0x3300cc, HitTextColor: 0xabcdef
};

const lines = (file) => {
    const text = fs.readFileSync(file, "latin1").split(/\r\n|\n|\r/);
    if (text[text.length - 1] === "") text.pop();
    return text;
};

// Red in the low byte: written red, green, blue.
const colour = (value) => {
    const hex = value.toString(16).padStart(6, "0");
    return hex.substring(4, 6) + hex.substring(2, 4) + hex.substring(0, 2);
};

function expectedScript(templateDir, dir) {
    const s = SETTINGS;
    const out = ["<script LANGUAGE=\"JavaScript\" RUNAT=\"Server\">", "",
        "//Translate search result info into your language", "StrYourSearch=\"Your search:\"; //Your search:",
        "StrNewSearch=\"New Search\"; //New Search", "StrCloseWindow=\"Close Window\"; //Close Window",
        "StrFind=\"Find\"; //Find", "StrItems=\"items\"; //items", "strResultPage=\"Result Page\"; //Result Page",
        "strPrevious=\"Previous\"; //Previous", "strNext=\"Next\"; //Next", "",
        "//Options for the search engine",
        `MatchingStrategy=${s.MatchingStrategy}; //0:Use all words,1:Use any words,2:Use exact phrase`,
        `SearchStrategy=${s.SearchStrategy}; //0:search all text,1:Search title,2:Search keywords,3:Search description`,
        `OutPutWindowType=${s.OutputWindowType}; //0:same window,1:new window,2:use frame`,
        `OutPutResultTitle=${s.OutputResultTitle}; //0: not output,1: output`,
        `OutPutResultText=${s.OutputResultText}; //0: not output,1: output`,
        `OutPutResultUrl=${s.OutputResultUrl}; //0: not output,1: output`,
        `OutPutResultInfo=${s.OutputResultInfo}; //0: not output,1: output`,
        "NoNewSearchLink=1; //0: has New Search link,1: no",
        `NoHorizLine=${s.NoHorizLine}; //0: has Horizontal lines,1: no`,
        `NoPoweredBy=${s.NoPoweredBy}; //0: has Powered By info,1: no`];
    for (const [name, def, colourDefault] of [["ResultTitle", "3", "#0000FF"], ["ResultText", "2", "#000000"],
        ["ResultUrl", "2", "#008000"], ["ResultInfo", "2", "#000000"]]) {
        out.push(`${name}Size=${s[name + "Size"]}; //default size: '${def}'`,
            `${name}Face='${s[name + "Face"]}'; //default face: 'arial'`,
            `${name}Color='#${colour(s[name + "Color"])}'; //default color: '${colourDefault}'`);
    }
    out.push(`HitTitleColor='#${colour(s.HitTitleColor)}'; //default color: '#CC0033'`,
        `HitTextColor='#${colour(s.HitTextColor)}'; //default color: '#CC0033'`, "",
        "SearchFileName=\"search.asp\"; //search file's name", "");
    let first = "", second = "", found = false;
    for (const line of lines(path.join(templateDir, "result.html"))) {
        const text = line.replace(/"/g, "\\\"") + "\\r\\n";
        if (found) second += text;
        else if (text.includes("<%CONTENT%>")) {
            first += text.substring(0, text.indexOf("<%CONTENT%>"));
            second += text.substring(text.indexOf("<%CONTENT%>") + 11);
            found = true;
        } else first += text;
    }
    out.push(`PreSearResultHTML="${first}";`, `StepSearResultHTML="${second}";`,
        `eval( unescape("${lines(path.join(dir, "SearchFunc.dat")).join("")}") );`, "", "</script>", "",
        ...lines(path.join(dir, "SearchFuncASP.dat")));
    return out.map((line) => line + "\r\n").join("");
}

test("make writes the template, the database and search.asp in the generator's layout, and removes stale files", () => {
    // Stale files of the browser variant with frames, a search.asp an earlier make left, and the user's own.
    program.index(sampleSite);
    const output = program.make({ OutputWindowType: 2 });
    program.index(sampleSite, { settings: { ScriptType: 1 } });
    const earlier = program.make({ ScriptType: 1, SelTemplateName: "Simple-ASP" });
    fs.copyFileSync(path.join(earlier, "search.asp"), path.join(output, "search.asp"));
    fs.writeFileSync(path.join(output, "keep.txt"), "old");
    assert.deepEqual(fs.readdirSync(output).sort(), [".findlark-files", "FrameSearch.html", "keep.txt", "result.html",
        "search.asp", "search.html", "searchfunc.js", "style.css", "webdata.js"]);
    for (const template of ["Simple-ASP", "Advanced-ASP"]) {
        program.make({ ...SETTINGS, ScriptType: 1, SelTemplateName: template }, output);
        assert.deepEqual(fs.readdirSync(output).sort(),
            [".findlark-files", "IndexData.mdb", "keep.txt", "search.asp", "search.html", "style.css"]);
        const templateDir = path.join(program.dir, "Template", template);
        assert.deepEqual(fs.readFileSync(path.join(output, "search.html")), fs.readFileSync(path.join(templateDir, "search.html")));
        assert.deepEqual(databaseContent(path.join(output, "IndexData.mdb")), databaseContent(path.join(program.dir, "IndexData.mdb")));
        assert.equal(fs.readFileSync(path.join(output, "search.asp"), "latin1"), expectedScript(templateDir, program.dir));
    }
});

test("the ASP templates are plain ASCII, hold no script, ask search.asp and label their fields", () => {
    for (const template of ["Simple-ASP", "Advanced-ASP"]) {
        const dir = path.join(program.dir, "Template", template);
        for (const name of ["search.html", "result.html"]) {
            const html = fs.readFileSync(path.join(dir, name), "latin1");
            assert.doesNotMatch(html, /[^\t\r\n -~]/, `${template}/${name}`);
            assert.doesNotMatch(html, /<script/i, `${template}/${name}`);
            assert.match(html, /<meta charset="utf-8">/);
            assert.match(html, /<form [^>]*action="search.asp" method="get"/);
            for (const field of html.matchAll(/<(?:input|select) [^>]*id="([^"]+)"/g)) {
                assert.match(html, new RegExp(`<label [^>]*for="${field[1]}"|<label for="${field[1]}"`), `${template}/${name}: ${field[1]}`);
            }
        }
        assert.equal(fs.readFileSync(path.join(dir, "result.html"), "latin1").split("<%CONTENT%>").length, 2);
    }
});
