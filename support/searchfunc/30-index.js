// Findlark client-side search functions: the index as webdata.js leaves it.
(function (F) {
    "use strict";

    // Positions within a record of webdata.js's arrFiles.
    var LINK = 0, TITLE = 1, TEXT = 2, KEYWORDS = 3, DESCRIPTION = 4, LINK_DESCRIPTION = 5;
    var FIELD_COUNT = 6;
    var NO_RECORD = [];
    // Separates the records of a corpus. Queries and shown texts never hold it
    // (NUL in a page becomes a blank), so no match can run across records.
    var SEPARATOR = "\u0000";
    var NUL = /\u0000/g;

    function withoutNul(s) {
        return s.indexOf(SEPARATOR) < 0 ? s : s.replace(NUL, " ");
    }

    // Records per corpus chunk: small enough that the per-record strings die
    // young, large enough that a query makes few indexOf calls.
    var CHUNK_RECORDS = 64;

    // Wraps arrFiles. A large site's index holds tens of megabytes of text,
    // which must be decoded and case-folded before it can be searched; that
    // is done once, the first time a query needs a field, and kept. Each
    // record's field is folded on its own and the results are joined, NUL
    // between records, into chunks of CHUNK_RECORDS records: one long-lived
    // copy of the text instead of thousands of mid-sized strings or several
    // full-size ones, which is what the work really costs.
    function Index(records, count) {
        var length = records && typeof records.length === "number" ? records.length : 0;
        // fileNum is missing when indexing was cut short; it can also disagree
        // with the array by hand editing. Trust whichever is smaller.
        if (typeof count === "number" && count >= 0 && count < length) length = Math.floor(count);
        this.records = records || NO_RECORD;
        this.length = length;
        this.corpora = [];
        this.shown = [];
        for (var f = 0; f < FIELD_COUNT; f++) this.shown.push([]);
    }

    Index.prototype.raw = function (i, field) {
        var record = this.records[i];
        if (!record || typeof record !== "object") record = NO_RECORD;
        var value = record[field];
        return value == null ? "" : String(value);
    };

    // The field as a visitor reads it: references decoded, accents composed.
    // Made only for the hits being shown, and kept.
    Index.prototype.text = function (i, field) {
        var cache = this.shown[field];
        var value = cache[i];
        if (value === undefined) {
            value = F.shownText(withoutNul(this.raw(i, field)));
            cache[i] = value;
        }
        return value;
    };

    // The folded field of all records, as chunks { first, folded, starts }:
    // record first + j occupies [starts[j], starts[j + 1] - 1) of folded.
    Index.prototype.corpus = function (field) {
        var chunks = this.corpora[field];
        if (chunks) return chunks;
        chunks = [];
        for (var first = 0; first < this.length; first += CHUNK_RECORDS) {
            var last = Math.min(this.length, first + CHUNK_RECORDS);
            var parts = [], starts = [0], at = 0;
            for (var i = first; i < last; i++) {
                var folded = F.foldCase(F.shownText(withoutNul(this.raw(i, field))));
                parts.push(folded);
                at += folded.length + 1;
                starts.push(at);
            }
            chunks.push({ first: first, folded: parts.join(SEPARATOR), starts: starts });
        }
        this.corpora[field] = chunks;
        return chunks;
    };

    // The field case-folded, position for position the same as text(). A
    // field no query has searched (the text of a title search, shown in the
    // excerpts) is folded for this record alone rather than for the index.
    Index.prototype.foldedText = function (i, field) {
        var chunks = this.corpora[field];
        if (!chunks) return F.foldCase(this.text(i, field));
        var chunk = chunks[Math.floor(i / CHUNK_RECORDS)];
        var j = i - chunk.first;
        return chunk.folded.substring(chunk.starts[j], chunk.starts[j + 1] - 1);
    };

    // Calls visit(record, n) for every record whose field holds the matcher,
    // in record order, with n its number of occurrences, counted up to limit.
    Index.prototype.scan = function (field, matcher, limit, visit) {
        var chunks = this.corpus(field);
        var pattern = matcher.pattern, needle = matcher.folded;
        for (var c = 0; c < chunks.length; c++) {
            var folded = chunks[c].folded, starts = chunks[c].starts, first = chunks[c].first;
            var record = 0, current = -1, count = 0;
            var m = null, at, end;
            if (pattern) {
                pattern.lastIndex = 0;
                m = pattern.exec(folded);
                at = m ? m.index : -1;
            } else {
                at = folded.indexOf(needle);
            }
            while (at >= 0) {
                end = pattern ? at + m[0].length : at + needle.length;
                while (starts[record + 1] <= at) record++;
                if (record !== current) {
                    if (current >= 0) visit(first + current, count);
                    current = record;
                    count = 0;
                }
                count++;
                // Enough of this record: go on with the next one.
                if (count >= limit) end = Math.max(end, starts[record + 1]);
                if (pattern) {
                    pattern.lastIndex = end;
                    m = pattern.exec(folded);
                    at = m ? m.index : -1;
                } else {
                    at = folded.indexOf(needle, end);
                }
            }
            if (current >= 0) visit(first + current, count);
        }
        if (pattern) pattern.lastIndex = 0;
    };

    // One Index per data array, so that the prepared fields survive between
    // queries made on the same page.
    var lastIndex = null;

    function indexFor(records, count) {
        if (lastIndex && lastIndex.records === records && lastIndex.requested === count) return lastIndex;
        lastIndex = new Index(records, count);
        lastIndex.requested = count;
        return lastIndex;
    }

    F.LINK = LINK;
    F.TITLE = TITLE;
    F.TEXT = TEXT;
    F.KEYWORDS = KEYWORDS;
    F.DESCRIPTION = DESCRIPTION;
    F.LINK_DESCRIPTION = LINK_DESCRIPTION;
    F.Index = Index;
    F.indexFor = indexFor;
})(Findlark);
