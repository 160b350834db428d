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

    // A field of ASCII characters without NUL folds to its lower case but
    // for its references; most fields of most sites are such. A search
    // reads them as they are until they are folded.
    var NOT_ASCII = /[^\u0001-\u007F]/;
    var ASCII_ONLY = /^[\u0000-\u007F]*$/;
    // Quick to answer for text of one byte a character, as the engine knows
    // its strings' width.
    var TWO_BYTE = /[^\u0000-\u00FF]/;
    var NO_REFERENCES = { references: [], values: "" };
    var REGEXP_SPECIAL = /[\\^$.*+?()[\]{}|\/-]/g;

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
    // is done once per field, step by step while the page is idle (see
    // prepare), and kept: one folded string per record. A search that comes
    // first reads the records not yet folded as they are, where they are
    // ASCII, and folds only the others (see rawCounter). A search looks
    // through the records one by one, which lets it skip every record an
    // earlier word has already ruled out.
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
        // Per field, what a search reads of each record's field while the
        // field is not folded yet (see shape), and the folded fields it made
        // beyond the folded ones.
        this.shapes = [];
        this.plains = [];
        this.lengths = [];
        this.loose = [];
        this.parts = [];
        for (var f = 0; f < FIELD_COUNT; f++) {
            this.shown.push([]);
            this.shapes.push([]);
            this.plains.push([]);
            this.lengths.push([]);
            this.loose.push([]);
        }
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
    // the work in slices while the visitor types; true once all are done. A
    // record longer than FOLD_STEP characters takes a call of its own for
    // each FOLD_STEP of it.
    Index.prototype.prepare = function (field, budget) {
        var folded = this.corpora[field];
        if (!folded) folded = this.corpora[field] = [];
        var loose = this.loose[field];
        var end = Math.min(this.length, folded.length + Math.max(1, budget));
        while (folded.length < end) {
            var i = folded.length, text = loose[i];
            if (text === undefined) text = this.foldPart(i, field);
            else loose[i] = undefined;
            if (text === null) return false;
            folded.push(text);
        }
        return folded.length >= this.length;
    };

    var FOLD_STEP = 32768;

    // Folds the next FOLD_STEP characters or so of the field of record i;
    // its folded text once that was the last of it, else null. A part ends
    // after a blank, where no reference, composition or case rule reaches
    // across, so the parts fold to the same text as the whole.
    Index.prototype.foldPart = function (i, field) {
        var part = this.parts[field];
        if (!part || part.record !== i) {
            var raw = withoutNul(this.raw(i, field));
            if (raw.length <= FOLD_STEP) return F.foldedText(raw);
            part = this.parts[field] = { record: i, raw: raw, at: 0, pieces: [] };
        }
        var end = part.raw.length;
        if (part.at + FOLD_STEP < end) {
            var blank = part.raw.lastIndexOf(" ", part.at + FOLD_STEP);
            if (blank >= part.at) end = blank + 1;
        }
        part.pieces.push(F.foldedText(part.raw.substring(part.at, end)));
        part.at = end;
        if (end < part.raw.length) return null;
        this.parts[field] = null;
        return part.pieces.join("");
    };

    // The folded field of record i as its corpus holds it, or will.
    Index.prototype.corpusText = function (i, field) {
        var folded = this.corpora[field];
        if (folded && i < folded.length) return folded[i];
        var loose = this.loose[field];
        var text = loose[i];
        if (text === undefined) text = loose[i] = F.foldedText(withoutNul(this.raw(i, field)));
        return text;
    };

    // How the field of record i not yet folded is read: null where it must
    // be folded; else { references, values }, its references
    // (F.foldedReferences) and their values joined, for a field that folds
    // to its lower case with those replaced by their values. Kept.
    Index.prototype.shape = function (i, field) {
        var shape = this.shapes[field][i];
        if (shape === undefined) {
            var raw = this.raw(i, field), references = null;
            if (NOT_ASCII.test(raw)) shape = null;
            else if (raw.indexOf("&") < 0) shape = NO_REFERENCES;
            else if ((references = F.foldedReferences(raw)) === null) shape = null;
            else shape = { references: references, values: valuesOf(references) };
            this.shapes[field][i] = shape;
        }
        return shape;
    };

    // The cheaper reading of a field not yet folded: where it is one byte a
    // character, it folds to its lower case but for its references, and a
    // matcher of such characters that no reference's value holds is found in
    // it as it is, reading only the references beside a match
    // (F.nearReferenceCounter). So too, for a matcher of ASCII, where
    // its characters beyond Latin-1 fold to themselves. The folded values of
    // its numeric references, or null where neither holds. Kept.
    Index.prototype.plain = function (i, field) {
        var plain = this.plains[field][i];
        if (plain === undefined) {
            var raw = this.raw(i, field);
            if (TWO_BYTE.test(raw) && !F.foldsAsLatin1(raw)) plain = null;
            else plain = raw.indexOf("&#") < 0 ? "" : F.numericValues(raw);
            this.plains[field][i] = plain;
        }
        return plain;
    };

    function valuesOf(references) {
        var values = [];
        for (var k = 0; k < references.length; k++) values.push(references[k][2]);
        return values.join("");
    }

    // Whether a value of the references holds a character of the needle, so
    // that a match could take in a reference.
    function meets(shape, needle) {
        return holdsAny(shape.values, needle);
    }

    function holdsAny(values, needle) {
        if (values === "") return false;
        for (var k = 0; k < needle.length; k++) {
            if (values.indexOf(needle.charAt(k)) >= 0) return true;
        }
        return false;
    }

    // Takes a field's folded text as already made (a server page reads it
    // from its database), one string per record.
    Index.prototype.useFolded = function (field, folded) {
        this.corpora[field] = folded;
    };

    // The folded field of every record.
    Index.prototype.corpus = function (field) {
        while (!this.prepare(field, this.length));
        return this.corpora[field];
    };

    // The field case-folded, position for position the same as text(). A
    // field not folded yet is folded for this record alone, and kept for the
    // preparation.
    Index.prototype.foldedText = function (i, field) {
        return this.corpusText(i, field);
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

    var NONE = [0, 0, 0];
    function escaped(needle) {
        return needle.replace(REGEXP_SPECIAL, "\\$&");
    }

    // Whether a folded word can be looked for in the plain fields (see
    // plain): no reference's value but a numeric one can hold a character
    // of it, and no ampersand can start one within it.
    function plainWord(needle) {
        return needle !== "" && !TWO_BYTE.test(needle) && needle.indexOf("&") < 0 && !holdsAny(F.namedValues(), needle);
    }

    // How a matcher is counted in the field of a record not yet folded:
    // where the field is ASCII, a word is found in it as it is, in any case;
    // a phrase in the folded field where each of its words is found so.
    // What is not ASCII cannot be there, and a match that could take in a
    // reference is looked for in the folded field.
    function rawCounter(index, field, matcher) {
        var needles = matcher.words || (matcher.pattern ? [] : [matcher.folded]);
        var all = needles.join(""), ascii = ASCII_ONLY.test(all), anyCase = [];
        var word = !matcher.words && needles.length === 1 && plainWord(all);
        for (var k = 0; k < needles.length && ascii; k++) {
            anyCase.push(new RegExp(escaped(needles[k]), matcher.words ? "i" : "gi"));
        }
        var near = word ? F.nearReferenceCounter(needles, new RegExp(escaped(all), "gi")) : null;
        return function (i) {
            if (word && index.readsPlain(i, field, all, ascii)) return near(index.raw(i, field))[0];
            var shape = index.shape(i, field);
            if (!needles.length || shape === null || meets(shape, all)) {
                return F.countKinds(index.corpusText(i, field), matcher);
            }
            if (!ascii) return NONE;
            var raw = index.raw(i, field);
            if (!matcher.words) return F.countKindsAnyCase(raw, shape.references, matcher, anyCase[0]);
            for (var k = 0; k < anyCase.length; k++) {
                if (!anyCase[k].test(raw)) return NONE;
            }
            return F.countKinds(index.corpusText(i, field), matcher);
        };
    }

    // Whether the field of record i is read as it is (see plain) for folded
    // words whose characters are `all`, of ASCII or not.
    Index.prototype.readsPlain = function (i, field, all, ascii) {
        var plain = this.plain(i, field);
        return plain !== null && !holdsAny(plain, all) && (ascii || !TWO_BYTE.test(this.raw(i, field)));
    };

    // What find would answer for each of the matchers, for those it can do
    // in one reading of a field not yet folded: the words that are found in
    // the plain fields as they are, when no occurrence of one can overlap
    // one of another (each is taken from the left, as countKinds does). Kept for find. An entry per matcher, undefined for the others.
    Index.prototype.findTogether = function (field, matchers) {
        var texts = this.corpora[field] || NO_RECORD;
        var results = [];
        if (texts.length >= this.length || completeWords(this, field)) return results;
        var group = [], needles = [], keys = [];
        for (var k = 0; k < matchers.length; k++) {
            var m = matchers[k], key = field + "," + matcherKey(m);
            if (m.pattern || !plainWord(m.folded) || this.scans.get(key)) continue;
            var apart = true;
            for (var g = 0; g < needles.length && apart; g++) apart = !F.mayOverlap(needles[g], m.folded);
            if (!apart) continue;
            group.push(k);
            needles.push(m.folded);
            keys.push(key);
        }
        if (group.length < 2) return results;
        var all = needles.join(""), ascii = ASCII_ONLY.test(all);
        var near = F.nearReferenceCounter(needles, new RegExp(needles.map(escaped).join("|"), "gi"));
        var counters = [], found = [];
        for (g = 0; g < group.length; g++) found.push({ records: [], kinds: [] });
        for (var i = 0; i < this.length; i++) {
            var each;
            // Most pages have no keywords or description: nothing to read.
            if (i >= texts.length && this.raw(i, field) === "") continue;
            if (i < texts.length) {
                each = [];
                for (g = 0; g < group.length; g++) each.push(F.countKinds(texts[i], matchers[group[g]]));
            } else if (this.readsPlain(i, field, all, ascii)) {
                each = near(this.raw(i, field));
            } else {
                each = [];
                for (g = 0; g < group.length; g++) {
                    if (!counters[g]) counters[g] = rawCounter(this, field, matchers[group[g]]);
                    each.push(counters[g](i));
                }
            }
            for (g = 0; g < group.length; g++) {
                var kinds = each[g];
                if (kinds[0] || kinds[1] || kinds[2]) {
                    found[g].records.push(i);
                    found[g].kinds.push(kinds);
                }
            }
        }
        for (g = 0; g < group.length; g++) {
            this.scans.set(keys[g], found[g]);
            results[group[g]] = found[g];
        }
        return results;
    };

    Index.prototype.scan = function (field, matcher, within) {
        var texts = this.corpora[field] || NO_RECORD;
        var countRaw = texts.length < this.length ? rawCounter(this, field, matcher) : null;
        var records = [], kinds = [];
        var n = within ? within.length : this.length;
        for (var k = 0; k < n; k++) {
            var i = within ? within[k] : k;
            var found = i < texts.length ? F.countKinds(texts[i], matcher) : countRaw(i);
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
    var WORD_COST = 8;
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
        this.addedWords = -1;
    };

    // Reads words of the record from where it was left, up to about `chars`
    // characters further, then adds them to the index, `chars / WORD_COST`
    // at a time (a long page can hold tens of thousands of different
    // words); true when the record is done.
    WordIndex.prototype.readWords = function (record, folded, chars) {
        if (this.addedWords < 0) {
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
            this.addedWords = 0;
            return this.readWords(record, folded, chars);
        }
        var end = Math.min(this.order.length, this.addedWords + Math.max(1, Math.floor(chars / WORD_COST)));
        for (var k = this.addedWords; k < end; k++) {
            var word = this.order[k];
            var id = this.ids["#" + word];
            if (id === undefined) {
                id = this.ids["#" + word] = this.words.length;
                this.words.push(word);
                this.postings.push([]);
            }
            this.postings[id].push(record * 128 + Math.min(this.counts["#" + word], COUNT_CAP));
        }
        this.addedWords = end;
        if (end < this.order.length) return false;
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

    // The vocabulary of a field for what reads it whole (the suggestions):
    // its words, and the records that hold a word; made now if not yet.
    Index.prototype.wordList = function (field) {
        while (!this.prepareWords(field, this.length));
        var words = this.wordIndexes[field];
        return { words: words.words, records: function (word) {
            var id = words.ids["#" + word], list = id === undefined ? [] : words.postings[id], records = [];
            for (var k = 0; k < list.length; k++) records.push(list[k] >> 7);
            return records;
        } };
    };

    // Whether the field's word index is complete, so that reading its
    // vocabulary costs nothing more.
    Index.prototype.wordsReady = function (field) {
        return !!completeWords(this, field);
    };

    function completeWords(index, field) {
        var words = index.wordIndexes[field];
        return words && words.done >= index.length ? words : null;
    }

    // The length of the folded field, which the ranking weighs.
    Index.prototype.foldedLength = function (i, field) {
        var folded = this.corpora[field];
        if (folded && i < folded.length) return folded[i].length;
        if (this.plain(i, field) !== null) return this.plainLength(i, field);
        var shape = this.shape(i, field);
        if (shape === null) return this.corpusText(i, field).length;
        var length = this.raw(i, field).length, references = shape.references;
        for (var k = 0; k < references.length; k++) {
            length += references[k][2].length - (references[k][1] - references[k][0]);
        }
        return length;
    };

    // The page's address, and every page's address stem (the ranking reads
    // the site's shape from them).
    Index.prototype.address = function (i) {
        return this.raw(i, LINK);
    };

    Index.prototype.addressStems = function () {
        if (!this.allStems) {
            this.allStems = [];
            for (var i = 0; i < this.length; i++) this.allStems.push(F.addressStem(this.raw(i, LINK)));
        }
        return this.allStems;
    };

    // The length of a plain field (see plain) folded: each reference counts
    // as its value. Kept.
    Index.prototype.plainLength = function (i, field) {
        var length = this.lengths[field][i];
        if (length === undefined) {
            length = this.lengths[field][i] = F.decodedLength(this.raw(i, field));
        }
        return length;
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
