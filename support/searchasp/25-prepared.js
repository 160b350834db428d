// Findlark server-side search: searching the prepared text.
//
// The indexer keeps, beside IndexData, each row's searched fields decoded
// and case-folded as the browser engine folds them (the table SearchText).
// With it a request folds only the query: SQLite picks the rows that hold
// every word (instr on folded text is exact, as indexOf is in the browser),
// counts the words in each field, and only the rows of the page shown are
// read and decoded in full. The counts give the same matched matchers and
// the same weights as the browser engine, summed in its order, so the hits
// rank as they do there. An index written before SearchText existed has no
// such table; the caller then searches the way it always did.
(function (F) {
    var NAMES = [];
    NAMES[F.TITLE] = "Title";
    NAMES[F.TEXT] = "Text";
    NAMES[F.KEYWORDS] = "Keywords";
    NAMES[F.DESCRIPTION] = "Description";

    // The browser engine's own ranking constants, so both rank alike.
    var WEIGHTS = F.WEIGHTS;
    var COUNT_LIMIT = F.COUNT_LIMIT;

    function hasPreparedText(connection) {
        var rows = F.server.rowsOf(connection, "SELECT CAST(count(*) AS TEXT) FROM sqlite_master " +
            "WHERE type = 'table' AND name = ?", ["SearchText"]);
        return rows.length > 0 && String(rows[0][0]) !== "0";
    }

    // The occurrences of the parameter in a column, taken from the left
    // without overlap (as the browser engine counts them), at most
    // COUNT_LIMIT. Byte lengths: a blob knows its length, while a text's
    // characters would have to be counted; a match of whole UTF-8
    // characters removes the same bytes either way.
    function countSql(column) {
        return "ifnull(min(" + COUNT_LIMIT + ", (length(CAST(" + column + " AS BLOB)) - length(CAST(replace(" +
            column + ", ?, '') AS BLOB))) / length(CAST(? AS BLOB))), 0)";
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

    // The order in which the browser engine adds up a page's weight: the
    // matchers as typed, or longest first when all must match.
    function scanOrder(matchers, needAll) {
        var order = [];
        for (var k = 0; k < matchers.length; k++) order.push(k);
        if (needAll) {
            order.sort(function (a, b) { return (matchers[b].folded.length - matchers[a].folded.length) || (a - b); });
        }
        return order;
    }

    function recordNumber(value) {
        return value === "" ? -Infinity : parseFloat(value);
    }

    // Index order, as the browser engine's array has the rows: by record
    // number, rows without one first, then as stored.
    function byIndexOrder(a, b) {
        return (recordNumber(a.id) - recordNumber(b.id)) || (a.row - b.row);
    }

    function byRank(a, b) {
        return (b.matched - a.matched) || (b.weight - a.weight) || (a.index - b.index);
    }

    function emptyRecord() {
        return ["", "", "", "", "", ""];
    }

    // Searches SearchText for a parsed query. Returns { found, hits } as the
    // caller would get them from the browser engine's search over the
    // candidate rows (found.records holds empty records, to be completed for
    // the hits shown), or null when the database has no prepared text.
    function preparedSearch(connection, query, strategy) {
        if (!hasPreparedText(connection)) return null;
        var matchers = query.matchers;
        var fields = F.fieldsFor(strategy);
        var needAll = query.matching === F.MATCH_ALL;
        var m, f;

        // One text column for the numbers of a row (reading a field through
        // ADO costs more than SQLite joining a few numbers):
        // "row id count count ...", a count per word and field; the ID is
        // empty when NULL. A phrase's fields come as further columns, and
        // only where they hold all its words.
        var numberValues = [], textValues = [], whereValues = [];
        var numbers = ["CAST(Row AS TEXT)", "ifnull(CAST(ID AS TEXT), '')"];
        var texts = [];
        for (m = 0; m < matchers.length; m++) {
            for (f = 0; f < fields.length; f++) {
                var column = NAMES[fields[f]];
                if (matchers[m].pattern) {
                    texts.push("CASE WHEN " + presenceSql(column, matchers[m], textValues) + " THEN " + column + " ELSE '' END");
                } else {
                    numbers.push(countSql(column));
                    numberValues.push(matchers[m].folded, matchers[m].folded);
                }
            }
        }
        var terms = [];
        for (m = 0; m < matchers.length; m++) {
            var anyField = [];
            for (f = 0; f < fields.length; f++) anyField.push(presenceSql(NAMES[fields[f]], matchers[m], whereValues));
            terms.push("(" + anyField.join(" OR ") + ")");
        }
        var sql = "SELECT " + [numbers.join(" || ' ' || ")].concat(texts).join(", ") + " FROM SearchText WHERE " +
            terms.join(needAll ? " AND " : " OR ");
        var rows = F.server.rowsOf(connection, sql, numberValues.concat(textValues, whereValues));

        var candidates = [];
        for (var r = 0; r < rows.length; r++) {
            var parts = String(rows[r][0]).split(" ");
            var counts = [], at = 2, t = 1;
            for (m = 0; m < matchers.length; m++) {
                var perField = [];
                for (f = 0; f < fields.length; f++) {
                    if (matchers[m].pattern) {
                        var text = rows[r][t++];
                        perField.push(text ? F.countAll(String(text), matchers[m], COUNT_LIMIT) : 0);
                    } else {
                        perField.push(parseFloat(parts[at++]));
                    }
                }
                counts.push(perField);
            }
            candidates.push({ row: parseFloat(parts[0]), key: parts[0], id: parts[1], counts: counts });
        }
        candidates.sort(byIndexOrder);

        var order = scanOrder(matchers, needAll);
        var wanted = needAll ? matchers.length : 1;
        var found = { records: [], keys: [] }, hits = [];
        for (var i = 0; i < candidates.length; i++) {
            found.records.push(emptyRecord());
            found.keys.push(candidates[i].key);
            var weight = 0, matched = 0;
            for (var step = 0; step < order.length; step++) {
                var here = candidates[i].counts[order[step]], any = false;
                for (f = 0; f < fields.length; f++) {
                    var n = here[f];
                    if (n > 0) {
                        weight += WEIGHTS[fields[f]] * n / (n + 1);
                        any = true;
                    }
                }
                if (any) matched++;
            }
            if (matched >= wanted) hits.push({ index: i, matched: matched, weight: Math.round(weight * 1e6) / 1e6 });
        }
        hits.sort(byRank);
        return { found: found, hits: hits };
    }

    F.server.preparedSearch = preparedSearch;
})(Findlark);
