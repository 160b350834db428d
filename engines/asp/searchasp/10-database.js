// Findlark server-side search: reading the index database.
//
// search.asp runs the files of this folder, joined in name order into one
// server script block of their own, after its first block has set the
// options and the result-page halves and run the search functions (the same
// ones the JavaScript search engine runs in the browser). They run under
// classic ASP's JScript, which is ECMAScript 3: no forEach, map, filter or
// indexOf on arrays, no trim, no Object.keys or bind, no let or const, and a
// string's characters are read with charAt, never with s[k]. The file must
// stay ASCII (ASP reads it in the server's code page) and must not hold the
// end tag of a script block.
var Findlark = Findlark || {};

(function (F) {
    // The one place that names the database driver. IndexData.mdb is an
    // SQLite 3 file; the server needs the SQLite ODBC driver installed under
    // this name (the Drivers tab of the ODBC Data Source Administrator).
    // NoCreat: a wrong path must fail rather than leave an empty database.
    var DRIVER = "SQLite3 ODBC Driver";
    var DATABASE_FILE = "IndexData.mdb";

    function connectionString(file) {
        return "DRIVER={" + DRIVER + "};Database=" + file + ";NoCreat=1;";
    }

    // ADO's numbers for what is used here.
    var AD_CMD_TEXT = 1;
    var AD_VAR_WCHAR = 202;
    var AD_PARAM_INPUT = 1;
    var AD_STATE_OPEN = 1;

    function openDatabase() {
        var connection = new ActiveXObject("ADODB.Connection");
        connection.Open(connectionString(Server.MapPath(DATABASE_FILE)));
        return connection;
    }

    function closeDatabase(connection) {
        if (connection && connection.State === AD_STATE_OPEN) connection.Close();
    }

    // Runs one statement whose every value from outside comes in as a
    // parameter (a "?" in the text, in order), and returns its rows as
    // arrays of values; NULL reads as null.
    function rowsOf(connection, sql, values) {
        var command = new ActiveXObject("ADODB.Command");
        command.ActiveConnection = connection;
        command.CommandType = AD_CMD_TEXT;
        command.CommandText = sql;
        for (var k = 0; k < values.length; k++) {
            var value = String(values[k]);
            command.Parameters.Append(command.CreateParameter("p" + k, AD_VAR_WCHAR, AD_PARAM_INPUT,
                value.length > 0 ? value.length : 1, value));
        }
        var records = command.Execute();
        var rows = [];
        var count = records.Fields.Count;
        while (!records.EOF) {
            var row = [];
            for (var f = 0; f < count; f++) row.push(records.Fields.Item(f).Value);
            rows.push(row);
            records.MoveNext();
        }
        records.Close();
        return rows;
    }

    // The indexer stores each field as it would stand inside a double-quoted
    // script string (the JavaScript engine's webdata.js holds the same text
    // as string literals): backslash and quote escaped, line breaks of links
    // as \r and \n. A search must see what the literal means.
    var ESCAPE = /\\(?:x([0-9a-fA-F]{2})|u([0-9a-fA-F]{4})|([\u0000-\uFFFF]))/g;
    var SINGLE_ESCAPES = { b: "\b", f: "\f", n: "\n", r: "\r", t: "\t", v: "\u000B", "0": "\u0000",
        "\n": "", "\r": "", "\u2028": "", "\u2029": "" };

    function literalValue(all, hex, unicode, other) {
        // JScript hands a group that took no part in the match over as "".
        if (hex) return String.fromCharCode(parseInt(hex, 16));
        if (unicode) return String.fromCharCode(parseInt(unicode, 16));
        return SINGLE_ESCAPES.hasOwnProperty(other) ? SINGLE_ESCAPES[other] : other;
    }

    function stored(value) {
        if (value === null || value === undefined) return "";
        var s = String(value);
        return s.indexOf("\\") < 0 ? s : s.replace(ESCAPE, literalValue);
    }

    F.server = F.server || {};
    F.server.openDatabase = openDatabase;
    F.server.closeDatabase = closeDatabase;
    F.server.rowsOf = rowsOf;
    F.server.stored = stored;
})(Findlark);
