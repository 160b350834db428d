// The server code and the search functions stay within what IIS runs
// (JScript 5.8, ADO), and the test host is as strict as promised: what IIS
// lacks fails here too.
import { test } from "node:test";
import assert from "node:assert/strict";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { AspHost, checkJScript } from "./host.mjs";
import { sourceFiles } from "../js/engine.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const support = path.resolve(here, "../../engines/asp");
const sources = (dir) => fs.readdirSync(path.join(support, dir)).filter((f) => f.endsWith(".js")).sort()
    .map((f) => path.join(support, dir, f));

test("the search functions and the server code are ECMAScript 3 without \\s; the server code is ASCII", () => {
    for (const file of [...sourceFiles(), ...sources("searchasp")]) {
        const text = fs.readFileSync(file, "utf8");
        checkJScript(text, file);
        if (file.includes("searchasp")) assert.doesNotMatch(text, /[^\t\r\n -~]/, `${file} holds non-ASCII`);
        // JScript's \s knows only the ASCII blanks; the shared code must
        // split and match as the browser does (90-browser.js runs only there;
        // the server code uses \s for the blanks of HTML, which are ASCII).
        if (file.includes("searchfunc") && !file.endsWith("90-browser.js")) {
            const code = text.split("\n").filter((line) => !/^\s*\/\//.test(line)).join("\n");
            assert.doesNotMatch(code, /\\\\?[sS]/, `${file} uses \\s`);
        }
    }
});

// Runs one page made of the given server code; returns its body or throws.
async function runPage(host, code, { database = null, extra = "" } = {}) {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "findlark-asp-host-"));
    try {
        if (database) fs.copyFileSync(database, path.join(dir, "IndexData.mdb"));
        fs.writeFileSync(path.join(dir, "page.asp"), `${extra}<script LANGUAGE="JavaScript" RUNAT="Server">\n${code}\n</script>\n`);
        return host.run(path.join(dir, "page.asp"), "q=x").body;
    } finally {
        fs.rmSync(dir, { recursive: true, force: true });
    }
}

test("the host refuses what JScript 5.8, ASP and ADO do not offer", async () => {
    const host = await AspHost.create();
    const database = path.join(process.env.FINDLARK_PROGRAM_DIR || path.resolve(here, "../../build"), "IndexData.mdb");
    assert.equal(await runPage(host, "Response.Write(String(Request.QueryString));"), "q=x\n");
    const open = "var c = new ActiveXObject('ADODB.Connection'); c.Open('DRIVER={SQLite3 ODBC Driver};Database=' + " +
        "Server.MapPath('IndexData.mdb') + ';NoCreat=1;'); var k = new ActiveXObject('ADODB.Command'); " +
        "k.ActiveConnection = c; k.CommandType = 1;";
    assert.equal(await runPage(host, open + "k.CommandText = 'SELECT count(*) FROM IndexData'; " +
        "Response.Write(String(k.Execute().Fields.Item(0).Value));", { database }), "0\n");
    const refused = {
        "[1].forEach(function () {});": /forEach/,
        "Response.Write('a'.trim());": /trim/,
        "Object.keys({});": /keys/,
        "Date.now();": /now/,
        "(function () {}).bind(null);": /bind/,
        "new Map();": /Map/,
        "Response.Write('\\u00e9');": /CodePage/,
        "let a = 1;": /not JScript/,
        "var o = { a: 1, };": /not JScript/,
        "var r = /a/u;": /not JScript/,
        "var o = {}; o.class = 1;": /not JScript/,
        "eval('var f = () => 1;');": /not JScript/,
        "Response.Write(1);": /Response.Write given number/,
        "Response.Redirect('x');": /Response.Redirect is not provided/,
        "Request.Form('q');": /Request.Form is not provided/,
        "new ActiveXObject('Scripting.FileSystemObject');": /can't create object/,
        "new ActiveXObject('ADODB.Connection').Open('DRIVER={SQLite ODBC Driver};Database=x');": /driver/,
        [open + "k.CommandText = 'SELECT * FROM IndexData WHERE Title = \\'x\\''; k.Parameters.Append(k.CreateParameter('p', 202, 1, 1, 'x')); k.Execute();"]: /1 parameters for 0 placeholders/,
        [open + "k.CommandText = 'SELECT * FROM IndexData WHERE Title = ?'; k.Parameters.Append(k.CreateParameter('p', 200, 1, 1, 'x'));"]: /adVarWChar/,
        [open + "k.CommandText = 'SELECT * FROM Nowhere'; k.Execute();"]: /no such table/,
        [open + "k.CommandText = 'SELECT * FROM IndexData'; var r = k.Execute(); r.MoveNext();"]: /BOF or EOF/,
        [open + "k.CommandText = 'SELECT * FROM IndexData'; k.Execute().GetRows();"]: /GetRows is not provided/
    };
    for (const [code, error] of Object.entries(refused)) {
        await assert.rejects(runPage(host, code, { database }), error, code);
    }
    await assert.rejects(runPage(host, "", { extra: "<% Response.Write(1) %>" }), /inline/);
    host.close();
});
