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
        this.wordIndexes = [];
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
        for (var i = folded.length; i < end; i++) folded.push(F.foldedText(withoutNul(this.raw(i, field))));
        return folded.length >= this.length;
    };

    // Takes a field's folded text as already made (a server page reads it
    // from its database), one string per record.
    Index.prototype.useFolded = function (field, folded) {
        this.corpora[field] = folded;
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
        var records = [], kinds = [];
        for (var a = 0, b = 0; a < found.records.length && b < within.length;) {
            if (found.records[a] < within[b]) a++;
            else if (found.records[a] > within[b]) b++;
            else {
                records.push(found.records[a]);
                kinds.push(found.kinds[a]);
                a++;
                b++;
            }
        }
        return { records: records, kinds: kinds };
    }

    // The records whose field holds the matcher, in record order, with its
    // occurrences in each counted by kind (F.countKinds):
    // { records: [...], kinds: [[whole, start, inside], ...] }. With
    // `within` (sorted record numbers) only those records are looked at.
    Index.prototype.find = function (field, matcher, within) {
        var key = field + "," + matcherKey(matcher);
        var kept = this.scans.get(key);
        if (kept) return within ? restrict(kept, within) : kept;
        var words = completeWords(this, field);
        var pieces = words ? piecesOf(matcher.folded) : [];
        if (pieces.length) {
            if (!matcher.pattern && pieces.length === 1 && pieces[0] === matcher.folded) {
                var all = words.find(matcher.folded, this.length);
                this.scans.set(key, all);
                return within ? restrict(all, within) : all;
            }
            // Other matchers are counted in the records whose words hold
            // every piece of them.
            var holding = words.recordsHolding(pieces);
            within = within ? intersect(within, holding) : holding;
            return this.scan(field, matcher, within);
        }
        var result = this.scan(field, matcher, within);
        // Only a scan of every record can answer for any later search.
        if (!within) this.scans.set(key, result);
        return result;
    };

    Index.prototype.scan = function (field, matcher, within) {
        var texts = this.corpus(field);
        var records = [], kinds = [];
        var n = within ? within.length : this.length;
        for (var k = 0; k < n; k++) {
            var i = within ? within[k] : k;
            var found = F.countKinds(texts[i], matcher);
            if (found[0] || found[1] || found[2]) {
                records.push(i);
                kinds.push(found);
            }
        }
        return { records: records, kinds: kinds };
    };

    // The word index of a field: every word (a run of word characters, see
    // 35-rank.js) of the folded text, with the records that hold it and how
    // often (at most COUNT_CAP, as many as the ranking counts of a kind). Built in
    // slices after the field is folded (prepareWords), it answers a word
    // from its vocabulary instead of a pass over tens of megabytes of text:
    // a word of the query can only occur inside words of the text, so the
    // words that hold it, and their counts, give exactly what a scan would.
    var COUNT_CAP = 100;
    var WORD_RUN = null;
    // The work of one step of prepareWords, per record of its budget: the
    // characters read for words, and the words joined into the vocabulary.
    var CHARS_PER_RECORD = 2048;
    var JOIN_STEP = 256;

    function WordIndex() {
        this.done = 0;
        this.ids = {};
        this.words = [];
        this.postings = [];
        this.joined = null;
        this.starts = null;
        this.pieces = [];
        this.startRecord();
    }

    // A record's words are counted where its text was left last time, so
    // that one very long page takes several slices rather than one long one.
    WordIndex.prototype.startRecord = function () {
        this.at = 0;
        this.counts = {};
        this.order = [];
    };

    // Reads words of the record from where it was left, up to about `chars`
    // characters further; true when the record is done.
    WordIndex.prototype.readWords = function (record, folded, chars) {
        var limit = this.at + chars, m;
        WORD_RUN.lastIndex = this.at;
        while (WORD_RUN.lastIndex < limit && (m = WORD_RUN.exec(folded)) !== null) {
            var key = "#" + m[0];
            if (this.counts[key] === undefined) {
                this.counts[key] = 0;
                this.order.push(m[0]);
            }
            this.counts[key]++;
        }
        if (m !== null && WORD_RUN.lastIndex !== 0 && WORD_RUN.lastIndex < folded.length) {
            this.at = WORD_RUN.lastIndex;
            return false;
        }
        for (var k = 0; k < this.order.length; k++) {
            var word = this.order[k];
            var id = this.ids["#" + word];
            if (id === undefined) {
                id = this.ids["#" + word] = this.words.length;
                this.words.push(word);
                this.postings.push([]);
            }
            this.postings[id].push(record * 128 + Math.min(this.counts["#" + word], COUNT_CAP));
        }
        this.startRecord();
        return true;
    };

    // Joins up to `count` more steps of words into the vocabulary, noting
    // where each word starts in it; true once all are joined.
    WordIndex.prototype.joinWords = function (count) {
        if (this.joined !== null) return true;
        if (this.starts === null) {
            this.starts = [];
            this.end = 1;
        }
        for (var step = 0; step < Math.max(1, count) && this.starts.length < this.words.length; step++) {
            var from = this.starts.length, to = Math.min(this.words.length, from + JOIN_STEP);
            for (var k = from; k < to; k++) {
                this.starts.push(this.end);
                this.end += this.words[k].length + 1;
            }
            this.pieces.push(this.words.slice(from, to).join("\u0001"));
        }
        return this.starts.length >= this.words.length;
    };

    // The vocabulary as one string, each word between two separators, to
    // find every word holding a piece with indexOf.
    WordIndex.prototype.vocabulary = function () {
        if (this.joined === null) {
            while (!this.joinWords(this.words.length));
            this.joined = "\u0001" + this.pieces.join("\u0001") + "\u0001";
            this.pieces = null;
        }
        return this.joined;
    };

    WordIndex.prototype.wordAt = function (position) {
        var low = 0, high = this.starts.length - 1;
        while (low < high) {
            var mid = (low + high + 1) >> 1;
            if (this.starts[mid] <= position) low = mid;
            else high = mid - 1;
        }
        return low;
    };

    // Calls visit(id, at) for every word that holds the piece, with the
    // places of the piece in the word, from the left without overlap.
    WordIndex.prototype.eachHolding = function (piece, visit) {
        var text = this.vocabulary();
        var at = text.indexOf(piece, 1);
        while (at >= 0) {
            var id = this.wordAt(at);
            var word = this.words[id];
            var places = [], from = 0, p;
            while ((p = word.indexOf(piece, from)) >= 0) {
                places.push(p);
                from = p + piece.length;
            }
            visit(id, word, places);
            at = text.indexOf(piece, this.starts[id] + word.length + 1);
        }
    };

    // The records whose words hold every piece, sorted.
    WordIndex.prototype.recordsHolding = function (pieces) {
        var result = null;
        for (var k = 0; k < pieces.length; k++) {
            var seen = [], records = [], postings = this.postings;
            this.eachHolding(pieces[k], function (id) {
                var list = postings[id];
                for (var j = 0; j < list.length; j++) {
                    var record = list[j] >> 7;
                    if (!seen[record]) {
                        seen[record] = true;
                        records.push(record);
                    }
                }
            });
            records.sort(byNumber);
            result = result === null ? records : intersect(result, records);
        }
        return result || [];
    };

    function byNumber(a, b) {
        return a - b;
    }

    function intersect(a, b) {
        var out = [];
        for (var i = 0, j = 0; i < a.length && j < b.length;) {
            if (a[i] < b[j]) i++;
            else if (a[i] > b[j]) j++;
            else {
                out.push(a[i]);
                i++;
                j++;
            }
        }
        return out;
    }

    // A word matcher made of word characters only: its occurrences by kind
    // in every record, from the words that hold it. The counts go into one
    // flat array, three to a record, which is quicker than an object per
    // record for a word in thousands of them.
    WordIndex.prototype.find = function (needle, length) {
        var counts = [], records = [], postings = this.postings;
        for (var c = 0; c < 3 * length; c++) counts.push(0);
        this.eachHolding(needle, function (id, word, places) {
            var whole = 0, start = 0, inside = 0;
            for (var k = 0; k < places.length; k++) {
                if (places[k] > 0) inside++;
                else if (needle.length === word.length) whole++;
                else start++;
            }
            var list = postings[id];
            for (var j = 0; j < list.length; j++) {
                var at = 3 * (list[j] >> 7), times = list[j] & 127;
                if (counts[at] + counts[at + 1] + counts[at + 2] === 0) records.push(at / 3);
                counts[at] += whole * times;
                counts[at + 1] += start * times;
                counts[at + 2] += inside * times;
            }
        });
        records.sort(byNumber);
        var kinds = [];
        for (var r = 0; r < records.length; r++) {
            var from = 3 * records[r];
            kinds.push([counts[from], counts[from + 1], counts[from + 2]]);
        }
        return { records: records, kinds: kinds };
    };

    // The runs of word characters of a folded matcher.
    function piecesOf(folded) {
        var pieces = [], m;
        WORD_RUN.lastIndex = 0;
        while ((m = WORD_RUN.exec(folded)) !== null) pieces.push(m[0]);
        return pieces;
    }

    // Builds the word index of up to `budget` more records of a folded field;
    // true once all are done. Only the browser page calls it, while idle.
    Index.prototype.prepareWords = function (field, budget) {
        if (!this.prepare(field, budget)) return false;
        if (WORD_RUN === null) WORD_RUN = new RegExp("[^" + F.NON_WORD_CLASS + "]+", "g");
        var words = this.wordIndexes[field];
        if (!words) words = this.wordIndexes[field] = new WordIndex();
        var texts = this.corpora[field];
        var chars = Math.max(1, budget) * CHARS_PER_RECORD;
        while (words.done < this.length && chars > 0) {
            var before = words.at;
            if (words.readWords(words.done, texts[words.done], chars)) {
                chars -= texts[words.done].length - before;
                words.done++;
            } else {
                chars = 0;
            }
        }
        return words.done >= this.length && words.joinWords(budget);
    };

    function completeWords(index, field) {
        var words = index.wordIndexes[field];
        return words && words.done >= index.length ? words : null;
    }

    // The length of the folded field, which the ranking weighs.
    Index.prototype.foldedLength = function (i, field) {
        return this.foldedText(i, field).length;
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
