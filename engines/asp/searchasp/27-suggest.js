// Findlark server-side search: "Did you mean", from the word index's
// vocabulary, by the rules of the search functions' F.suggest.
(function (F) {
    function textOf(value) {
        return value === null || value === undefined ? "" : String(value);
    }

    // The vocabulary entries [word, pages] within `limit` edits of a folded
    // word, the pages counted in the fields. The database reads only the
    // words of a length within reach that lack no more of the word's
    // letters than edits allow (a letter missing takes an edit of its own;
    // a swap moves letters, it adds none); only those are measured here.
    function nearWords(reader, word, limit, fields) {
        var letters = F.codePoints(word), missing = [], k;
        for (k = 0; k < letters.length; k++) missing.push("(instr(Word, ?) = 0)");
        var rows = F.server.rowsOf(reader.connection, "SELECT CAST(WordID AS TEXT), Word FROM SearchWords " +
            "WHERE length(Word) BETWEEN " + Math.max(1, letters.length - limit) + " AND " + (letters.length + limit) +
            " AND " + missing.join(" + ") + " <= " + limit, letters);
        var words = [], pages = [], counts = [], entries = [];
        for (k = 0; k < rows.length; k++) {
            var candidate = textOf(rows[k][1]);
            if (F.editDistance(letters, F.codePoints(candidate), limit) > limit) continue;
            words.push({ id: String(rows[k][0]), word: candidate });
            pages.push({});
            counts.push(0);
        }
        for (var f = 0; f < fields.length && words.length; f++) {
            var postings = reader.postings(words, fields[f]);
            for (k = 0; k < words.length; k++) {
                var list = postings["#" + words[k].id] || [];
                for (var j = 0; j < list.length; j += 2) {
                    if (!pages[k]["#" + list[j]]) {
                        pages[k]["#" + list[j]] = true;
                        counts[k]++;
                    }
                }
            }
        }
        for (k = 0; k < words.length; k++) entries.push([words[k].word, counts[k]]);
        return entries;
    }

    // The suggestion for a search of the word index that gave `hits`.
    function suggestion(reader, query, hits, strategy) {
        if (!query.matchers.length || !reader.length) return null;
        return F.suggest(reader, query, hits.length, strategy, function (word, limit, fields) {
            return nearWords(reader, word, limit, fields);
        }, function (corrected) {
            return F.search(reader, corrected, strategy);
        });
    }

    F.server.suggestion = suggestion;
})(Findlark);
