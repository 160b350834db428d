// Findlark client-side search functions: the index as webdata.js leaves it.
(function (F) {
    "use strict";

    // Positions within a record of webdata.js's arrFiles.
    var LINK = 0, TITLE = 1, TEXT = 2, KEYWORDS = 3, DESCRIPTION = 4, LINK_DESCRIPTION = 5;
    var FIELD_COUNT = 6;
    var NO_RECORD = [];
    // A NUL in a page is shown, and searched, as a blank.
    var NUL = /\u0000/g;

    function withoutNul(s) {
        return s.indexOf("\u0000") < 0 ? s : s.replace(NUL, " ");
    }

    // Scans and searches kept for reuse (paging, Back, a word searched
    // again), newest first; counted in entries.
    var SCAN_CACHE_SIZE = 48;
    var SEARCH_CACHE_SIZE = 8;

    // A small cache that forgets the entry used longest ago.
    function Cache(size) {
        this.size = size;
        this.keys = [];
        this.values = {};
    }

    Cache.prototype.get = function (key) {
        var value = this.values["#" + key];
        if (value === undefined) return undefined;
        for (var k = 0; k < this.keys.length; k++) {
            if (this.keys[k] === key) {
                this.keys.splice(k, 1);
                break;
            }
        }
        this.keys.unshift(key);
        return value;
    };

    Cache.prototype.set = function (key, value) {
        if (this.values["#" + key] === undefined) {
            this.keys.unshift(key);
            while (this.keys.length > this.size) delete this.values["#" + this.keys.pop()];
        }
        this.values["#" + key] = value;
    };

    // Wraps arrFiles. A large site's index holds tens of megabytes of text,
    // which must be decoded and case-folded before it can be searched; that
    // is done once per field, the first time a query needs it (or earlier,
    // step by step, see prepare), and kept: one folded string per record.
    // A search then looks through the records one by one, which lets it skip
    // every record an earlier word has already ruled out.
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
        this.forget();
    }

    // Drops the kept scans and searches (not the folded text).
    Index.prototype.forget = function () {
        this.scans = new Cache(SCAN_CACHE_SIZE);
        this.searches = new Cache(SEARCH_CACHE_SIZE);
    };

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

    // Folds the field of up to `budget` more records, so that a page can do
    // the work in slices while the visitor types; true once all are done.
    Index.prototype.prepare = function (field, budget) {
        var folded = this.corpora[field];
        if (!folded) folded = this.corpora[field] = [];
        var end = Math.min(this.length, folded.length + Math.max(1, budget));
        for (var i = folded.length; i < end; i++) folded.push(F.foldCase(F.shownText(withoutNul(this.raw(i, field)))));
        return folded.length >= this.length;
    };

    // The folded field of every record.
    Index.prototype.corpus = function (field) {
        this.prepare(field, this.length);
        return this.corpora[field];
    };

    // The field case-folded, position for position the same as text(). A
    // field no query has searched (the text of a title search, shown in the
    // excerpts) is folded for this record alone rather than for the index.
    Index.prototype.foldedText = function (i, field) {
        var folded = this.corpora[field];
        if (folded && i < folded.length) return folded[i];
        return F.foldCase(this.text(i, field));
    };

    function matcherKey(matcher) {
        return matcher.pattern ? "p" + matcher.pattern.source : "w" + matcher.folded;
    }

    // The part of a scan that falls within the sorted record numbers.
    function restrict(found, within) {
        var records = [], counts = [];
        for (var a = 0, b = 0; a < found.records.length && b < within.length;) {
            if (found.records[a] < within[b]) a++;
            else if (found.records[a] > within[b]) b++;
            else {
                records.push(found.records[a]);
                counts.push(found.counts[a]);
                a++;
                b++;
            }
        }
        return { records: records, counts: counts };
    }

    // The records whose field holds the matcher, in record order, with its
    // number of occurrences in each, counted up to limit:
    // { records: [...], counts: [...] }. With `within` (sorted record
    // numbers) only those records are looked at.
    Index.prototype.find = function (field, matcher, limit, within) {
        var key = field + "," + limit + "," + matcherKey(matcher);
        var kept = this.scans.get(key);
        if (kept) return within ? restrict(kept, within) : kept;
        var texts = this.corpus(field);
        var records = [], counts = [];
        var n = within ? within.length : this.length;
        for (var k = 0; k < n; k++) {
            var i = within ? within[k] : k;
            var count = F.countAll(texts[i], matcher, limit);
            if (count) {
                records.push(i);
                counts.push(count);
            }
        }
        var found = { records: records, counts: counts };
        // Only a scan of every record can answer for any later search.
        if (!within) this.scans.set(key, found);
        return found;
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
    F.Cache = Cache;
    F.indexFor = indexFor;
})(Findlark);
