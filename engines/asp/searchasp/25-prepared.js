// Findlark server-side search: searching the prepared text.
//
// The indexer keeps, beside IndexData, each row's searched fields decoded
// and case-folded as the browser engine folds them (the table SearchText).
// With it a request folds only the query: SQLite picks the rows that hold
// its words (all or any; instr on folded text is exact, as indexOf is in the
// browser), the search functions rank those rows from their folded text
// (reading it costs more than the old counts in SQL did, but the ranking
// tells a whole word from part of one, which SQL cannot), and only the
// rows of the page shown are read and decoded in full. An index written
// before SearchText existed has no such table; the caller then searches the
// way it always did.
//
// The browser engine ranks a page against the whole index: a word's worth
// falls with the share of pages holding it, and the parts of a title that
// most titles share (the site's name) are not read. Counting those over the
// whole table here, rather than over the candidate rows, makes the hits rank
// as they do there.
(function (F) {
    var NAMES = [];
    NAMES[F.TITLE] = "Title";
    NAMES[F.TEXT] = "Text";
    NAMES[F.KEYWORDS] = "Keywords";
    NAMES[F.DESCRIPTION] = "Description";
    var RANKED_FIELDS = [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT];

    function hasPreparedText(connection) {
        var rows = F.server.rowsOf(connection, "SELECT CAST(count(*) AS TEXT) FROM sqlite_master " +
            "WHERE type = 'table' AND name = ?", ["SearchText"]);
        return rows.length > 0 && String(rows[0][0]) !== "0";
    }

    // A phrase's words, each of which the field must hold for the phrase to
    // be in it: the folded phrase is its words, folded, joined by blanks.
    function phraseWords(matcher) {
        return matcher.folded.split(" ");
    }

    // Whether the column can hold the matcher: for a word, exactly whether
    // it does.
    function presenceSql(column, matcher, values) {
        if (!matcher.pattern) {
            values.push(matcher.folded);
            return "instr(" + column + ", ?) > 0";
        }
        var words = phraseWords(matcher), parts = [];
        for (var w = 0; w < words.length; w++) {
            parts.push("instr(" + column + ", ?) > 0");
            values.push(words[w]);
        }
        return "(" + parts.join(" AND ") + ")";
    }

    // Whether any of the searched fields can hold the matcher.
    function anyFieldSql(fields, matcher, values) {
        var anyField = [];
        for (var f = 0; f < fields.length; f++) anyField.push(presenceSql(NAMES[fields[f]], matcher, values));
        return "(" + anyField.join(" OR ") + ")";
    }

    function textOf(value) {
        return value === null || value === undefined ? "" : String(value);
    }

    function recordNumber(value) {
        return value === "" ? -Infinity : parseFloat(value);
    }

    // Index order, as the browser engine's array has the rows: by record
    // number, rows without one first, then as stored.
    function byIndexOrder(a, b) {
        return (recordNumber(a.id) - recordNumber(b.id)) || (a.row - b.row);
    }

    function emptyRecord() {
        return ["", "", "", "", "", ""];
    }

    // Whether the phrase stands in one of the searched fields of a candidate.
    function holdsPhrase(candidate, fields, matcher) {
        for (var f = 0; f < fields.length; f++) {
            if (F.countAll(candidate.folded[fields[f]], matcher, 1) > 0) return true;
        }
        return false;
    }

    // What the ranking needs of the whole table: { total, shared, holding }
    // as F.search takes it. A word's rows are counted by SQLite in one pass;
    // a phrase comes only in a phrase search, as its one matcher, so its
    // rows are the candidates in which the phrase itself stands.
    function wholeTable(connection, matchers, fields, candidates) {
        var values = [], counts = ["CAST(count(*) AS TEXT)"];
        for (var m = 0; m < matchers.length; m++) {
            if (!matchers[m].pattern) {
                counts.push("CAST(ifnull(sum(CASE WHEN " + anyFieldSql(fields, matchers[m], values) +
                    " THEN 1 ELSE 0 END), 0) AS TEXT)");
            }
        }
        var numbers = String(F.server.rowsOf(connection, "SELECT " + counts.join(" || ' ' || ") +
            " FROM SearchText", values)[0][0]).split(" ");
        var holding = [], at = 1;
        for (m = 0; m < matchers.length; m++) {
            if (matchers[m].pattern) {
                var rows = 0;
                for (var c = 0; c < candidates.length; c++) {
                    if (holdsPhrase(candidates[c], fields, matchers[m])) rows++;
                }
                holding.push(rows);
            } else {
                holding.push(parseFloat(numbers[at++]));
            }
        }
        var titles = F.server.rowsOf(connection, "SELECT Title FROM SearchText", []);
        var folded = [];
        for (var t = 0; t < titles.length; t++) folded.push(textOf(titles[t][0]));
        return { total: parseFloat(numbers[0]), shared: F.sharedTitleParts(folded), holding: holding };
    }

    // Searches SearchText for a parsed query. Returns { found, hits } as the
    // caller would get them from the browser engine's search of the whole
    // index (found.records holds empty records, to be completed for the hits
    // shown), or null when the database has no prepared text.
    function preparedSearch(connection, query, strategy) {
        if (!hasPreparedText(connection)) return null;
        var matchers = query.matchers;
        var fields = F.fieldsFor(strategy);
        var needAll = query.matching === F.MATCH_ALL;
        var m, f, r;

        // The searched fields and the title, which the ranking reads whatever
        // is searched; numbers as text, as JScript cannot take SQLite's
        // 64-bit integers.
        var read = [F.TITLE];
        for (f = 0; f < fields.length; f++) {
            if (fields[f] !== F.TITLE) read.push(fields[f]);
        }
        var columns = ["CAST(Row AS TEXT)", "ifnull(CAST(ID AS TEXT), '')"];
        for (f = 0; f < read.length; f++) columns.push(NAMES[read[f]]);
        var values = [], terms = [];
        for (m = 0; m < matchers.length; m++) terms.push(anyFieldSql(fields, matchers[m], values));
        var rows = F.server.rowsOf(connection, "SELECT " + columns.join(", ") + " FROM SearchText WHERE " +
            terms.join(needAll ? " AND " : " OR "), values);

        var found = { records: [], keys: [] };
        if (!rows.length) return { found: found, hits: [] };
        var candidates = [];
        for (r = 0; r < rows.length; r++) {
            var folded = [];
            for (f = 0; f < RANKED_FIELDS.length; f++) folded[RANKED_FIELDS[f]] = "";
            for (f = 0; f < read.length; f++) folded[read[f]] = textOf(rows[r][f + 2]);
            var key = String(rows[r][0]);
            candidates.push({ row: parseFloat(key), key: key, id: String(rows[r][1]), folded: folded });
        }
        candidates.sort(byIndexOrder);

        var texts = [];
        for (f = 0; f < RANKED_FIELDS.length; f++) texts[RANKED_FIELDS[f]] = [];
        for (var i = 0; i < candidates.length; i++) {
            found.records.push(emptyRecord());
            found.keys.push(candidates[i].key);
            for (f = 0; f < RANKED_FIELDS.length; f++) texts[RANKED_FIELDS[f]].push(candidates[i].folded[RANKED_FIELDS[f]]);
        }
        // An index of the candidates alone, for this request: the page
        // renders from its own index of the completed records.
        var index = new F.Index(found.records, candidates.length);
        for (f = 0; f < RANKED_FIELDS.length; f++) index.useFolded(RANKED_FIELDS[f], texts[RANKED_FIELDS[f]]);
        var hits = F.search(index, query, strategy, wholeTable(connection, matchers, fields, candidates));
        return { found: found, hits: hits };
    }

    F.server.preparedSearch = preparedSearch;
})(Findlark);
