// Findlark server-side search: the rows worth searching.
//
// Reading and folding every page of a large site for every request would be
// far too slow, so the database first hands over only the rows that can
// match; the search functions then decide on those exactly as they do in the
// browser. SQLite's LIKE folds ASCII letters only, and it sees a field as
// stored, before its character references are decoded, so a pattern keeps of
// each thing searched for only what must stand in the stored text as it is:
// its ASCII letters and digits, in order, with "%" for everything between.
// Even "i" and "k" are left out, as the lower case of U+0130 and of U+212A
// (KELVIN SIGN) is an ASCII "i" and "k". The only other way to a letter or a
// digit is a numeric reference (&#65;, &#x61;): a field that may hold one of
// those is handed over whatever it says.
(function (F) {
    var NAMES = [];
    NAMES[F.LINK] = "FileName";
    NAMES[F.TITLE] = "Title";
    NAMES[F.TEXT] = "Text";
    NAMES[F.KEYWORDS] = "Keywords";
    NAMES[F.DESCRIPTION] = "Description";
    NAMES[F.LINK_DESCRIPTION] = "LinkDescription";
    var ALL_FIELDS = [F.LINK, F.TITLE, F.TEXT, F.KEYWORDS, F.DESCRIPTION, F.LINK_DESCRIPTION];

    var KEPT = /^[0-9a-hjl-z]$/;

    // The LIKE pattern for a case-folded word or phrase, or null when it
    // keeps nothing (every row may match).
    function likePattern(folded) {
        var out = "%", kept = 0;
        for (var k = 0; k < folded.length; k++) {
            var c = folded.charAt(k);
            if (KEPT.test(c)) {
                out += c;
                kept++;
            } else if (out.charAt(out.length - 1) !== "%") {
                out += "%";
            }
        }
        if (out.charAt(out.length - 1) !== "%") out += "%";
        return kept ? out : null;
    }

    // Decimal 48-57, 65-90 and 97-122, hexadecimal 30-39, 41-5A and 61-7A,
    // or any with a leading zero; a little more is harmless. GLOB, unlike
    // LIKE, knows character ranges.
    var REFERENCE_GLOBS = ["&#0", "&#4[89]", "&#5[0-7]", "&#6[5-9]", "&#[78][0-9]", "&#9[07-9]",
        "&#1[01][0-9]", "&#12[0-2]", "&#[xX]0", "&#[xX]3[0-9]", "&#[xX][4-7][0-9a-fA-F]"];

    function mayHoldLetterReference(column) {
        var globs = [];
        for (var k = 0; k < REFERENCE_GLOBS.length; k++) globs.push(column + " GLOB '*" + REFERENCE_GLOBS[k] + "*'");
        return "(" + column + " GLOB '*&#*' AND (" + globs.join(" OR ") + "))";
    }

    // The WHERE clause that keeps every row the query can find in the given
    // fields, its parameters appended to values; "" (and none) when it
    // would keep them all.
    function condition(query, fields, values) {
        var needAll = query.matching === F.MATCH_ALL;
        var terms = [], patterns = [];
        for (var m = 0; m < query.matchers.length; m++) {
            var pattern = likePattern(query.matchers[m].folded);
            if (pattern === null) {
                // Matches anywhere: with "all" it rules nothing out, with
                // "any" it lets everything in.
                if (needAll) continue;
                return "";
            }
            var likes = [];
            for (var f = 0; f < fields.length; f++) {
                likes.push(NAMES[fields[f]] + " LIKE ?");
                patterns.push(pattern);
            }
            terms.push("(" + likes.join(" OR ") + ")");
        }
        if (!terms.length) return "";
        for (var p = 0; p < patterns.length; p++) values.push(patterns[p]);
        var references = [];
        for (var g = 0; g < fields.length; g++) references.push(mayHoldLetterReference(NAMES[fields[g]]));
        return "(" + terms.join(needAll ? " AND " : " OR ") + ") OR " + references.join(" OR ");
    }

    function emptyRecord() {
        return ["", "", "", "", "", ""];
    }

    // The rows that may match, in index order, with the searched fields and
    // the title (the ranking reads it whatever is searched) filled in:
    // { records, keys }, records as webdata.js's arrFiles has them, keys to
    // fetch a whole row by.
    function candidates(connection, query, strategy) {
        var fields = F.fieldsFor(strategy);
        var values = [];
        var where = condition(query, fields, values);
        var read = [F.TITLE];
        for (var s = 0; s < fields.length; s++) {
            if (fields[s] !== F.TITLE) read.push(fields[s]);
        }
        // Numbers as text: JScript cannot take the 64-bit integers SQLite hands out.
        var columns = ["CAST(rowid AS TEXT)", "CAST(ID AS TEXT)"];
        for (var f = 0; f < read.length; f++) columns.push(NAMES[read[f]]);
        // In table order, which needs no sort: sorting by ID in SQL would
        // make SQLite copy every candidate's text once more. Index order is
        // restored below.
        var sql = "SELECT " + columns.join(", ") + " FROM IndexData" + (where ? " WHERE " + where : "") +
            " ORDER BY rowid";
        var rows = F.server.rowsOf(connection, sql, values);
        rows.sort(byIndexOrder);
        var records = [], keys = [];
        for (var r = 0; r < rows.length; r++) {
            var record = emptyRecord();
            for (var c = 0; c < read.length; c++) record[read[c]] = F.server.stored(rows[r][c + 2]);
            records.push(record);
            keys.push(String(rows[r][0]));
        }
        return { records: records, keys: keys };
    }

    // The order of the JavaScript engine's array: by record number, rows
    // without one first (as SQL sorts NULL), then as stored.
    function recordNumber(value) {
        return value === null || value === undefined ? -Infinity : parseFloat(value);
    }

    function byIndexOrder(a, b) {
        return (recordNumber(a[1]) - recordNumber(b[1])) || (parseFloat(a[0]) - parseFloat(b[0]));
    }

    // Every field of the row, for a hit that is shown.
    function wholeRecord(connection, key) {
        var columns = [];
        for (var f = 0; f < ALL_FIELDS.length; f++) columns.push(NAMES[ALL_FIELDS[f]]);
        var rows = F.server.rowsOf(connection, "SELECT " + columns.join(", ") +
            " FROM IndexData WHERE rowid = CAST(? AS INTEGER)", [key]);
        var record = emptyRecord();
        if (rows.length) {
            for (var c = 0; c < ALL_FIELDS.length; c++) record[ALL_FIELDS[c]] = F.server.stored(rows[0][c]);
        }
        return record;
    }

    F.server.likePattern = likePattern;
    F.server.candidates = candidates;
    F.server.wholeRecord = wholeRecord;
})(Findlark);
