// Findlark server-side search: answering from the word index.
//
// The indexer writes, beside IndexData, a word index of the searched
// fields when its run ends: the vocabulary of folded words (SearchWords),
// for each word and field the records holding it and how often
// (SearchPostings), each record's folded short fields and text length
// (SearchRecords, numbered in index order) and the title parts most titles
// share (SearchSharedParts). A request reads the few vocabulary words that
// hold its words, as the browser engine's own word index finds them, and
// hands the search functions an index object that answers from them; the
// ranking is the browser's, over the whole table. A phrase, or a word with
// punctuation inside ("node.js"), is counted in the folded text of the
// records whose words hold all of its pieces; a page's text is otherwise
// read only for the pair bonus of the first hits and for the hits shown.
(function (F) {
    var COLUMNS = [];
    COLUMNS[F.TITLE] = "Title";
    COLUMNS[F.KEYWORDS] = "Keywords";
    COLUMNS[F.DESCRIPTION] = "Description";
    // The fields' numbers in SearchPostings.
    var FIELD_NUMBERS = [];
    FIELD_NUMBERS[F.TITLE] = 0;
    FIELD_NUMBERS[F.KEYWORDS] = 1;
    FIELD_NUMBERS[F.DESCRIPTION] = 2;
    FIELD_NUMBERS[F.TEXT] = 3;
    var FIELD_OF_NUMBER = [F.TITLE, F.KEYWORDS, F.DESCRIPTION, F.TEXT];
    var WORD_RUN = new RegExp("[^" + F.NON_WORD_CLASS + "]+", "g");
    var NUL = /\u0000/g;

    function textOf(value) {
        return value === null || value === undefined ? "" : String(value);
    }

    // Numbers the page made itself (record and word numbers) stand in the
    // statement: a list of thousands would exceed what one statement binds.
    function numberList(numbers) {
        return "(" + numbers.join(",") + ")";
    }

    function byNumber(a, b) {
        return a - b;
    }

    // Binary columns reach the script as hex() text, read here in place: a
    // list of places is long, and most of it may be skipped. HEX_DIGIT is
    // each hex digit's value by its character code.
    var HEX_DIGIT = (function () {
        var digits = [], k;
        for (k = 0; k < 10; k++) digits[48 + k] = k;
        for (k = 0; k < 6; k++) digits[65 + k] = digits[97 + k] = 10 + k;
        return digits;
    })();

    // The variable-length number at hex[at.at] (seven bits a byte, low bits
    // first, the high bit set on all but the last), moving at.at past it.
    function readNumber(hex, at) {
        var value = 0, scale = 1, b, i = at.at;
        do {
            b = HEX_DIGIT[hex.charCodeAt(i)] * 16 + HEX_DIGIT[hex.charCodeAt(i + 1)];
            i += 2;
            value += (b & 127) * scale;
            scale *= 128;
        } while (b >= 128);
        at.at = i;
        return value;
    }

    // The first text after every text that starts with the prefix, in the
    // database's order of texts (their code points'): the prefix with its
    // last character the next one; null where that is no single UTF-16 unit.
    function afterPrefix(prefix) {
        var last = prefix.charCodeAt(prefix.length - 1);
        if (!(last < 0xD7FF)) return null;
        return prefix.substring(0, prefix.length - 1) + String.fromCharCode(last + 1);
    }

    // The runs of word characters of a folded matcher.
    function piecesOf(folded) {
        var pieces = [], m;
        WORD_RUN.lastIndex = 0;
        while ((m = WORD_RUN.exec(folded)) !== null) pieces.push(m[0]);
        return pieces;
    }

    // A word's occurrences in one vocabulary word by kind, taken from the
    // left without overlap.
    function kindsInWord(needle, word) {
        var kinds = [0, 0, 0];
        for (var at = word.indexOf(needle); at >= 0; at = word.indexOf(needle, at + needle.length)) {
            kinds[at > 0 ? 2 : needle.length === word.length ? 0 : 1]++;
        }
        return kinds;
    }

    // The index of a request, shaped as the search functions' F.Index: the
    // records are those of the whole table, read only where asked.
    function WordIndexReader(connection) {
        this.connection = connection;
        // Records are numbered from 0: the highest number is read at once,
        // where counting the rows reads the whole table.
        this.length = parseFloat(F.server.rowsOf(connection,
            "SELECT CAST(coalesce(max(Rec) + 1, 0) AS TEXT) FROM SearchRecords", [])[0][0]);
        // What is read of each record, by record number.
        this.rowids = [];
        this.textLengths = [];
        this.addresses = [];
        this.fieldTexts = [];
        this.fieldTexts[F.TITLE] = [];
        this.fieldTexts[F.KEYWORDS] = [];
        this.fieldTexts[F.DESCRIPTION] = [];
        this.texts = [];
        // Records found but whose rows are not read yet: read together at
        // the first that is needed.
        this.pending = [];
        this.searches = new F.Cache(1);
        this.holders = {};
        this.found = {};
        this.words = {};
        this.summedIds = {};
        this.sharedParts = {};
        var parts = F.server.rowsOf(connection, "SELECT Part FROM SearchSharedParts", []);
        for (var p = 0; p < parts.length; p++) this.sharedParts["#" + textOf(parts[p][0])] = true;
    }

    // The vocabulary words that hold the piece: [{ id, word }]. Each field
    // asks for them: the vocabulary is read once a piece.
    WordIndexReader.prototype.wordsHolding = function (piece) {
        var known = this.holders["#" + piece];
        if (known) return known;
        var rows = F.server.rowsOf(this.connection, "SELECT CAST(WordID AS TEXT), Word FROM SearchWords " +
            "WHERE instr(Word, ?) > 0", [piece]);
        var words = [];
        for (var r = 0; r < rows.length; r++) words.push({ id: String(rows[r][0]), word: textOf(rows[r][1]) });
        this.holders["#" + piece] = words;
        return words;
    };

    // The postings of the words in one field: word number => [record,
    // count, record, count, ...].
    WordIndexReader.prototype.postings = function (words, field) {
        var found = {};
        if (!words.length) return found;
        var ids = [];
        for (var w = 0; w < words.length; w++) ids.push(words[w].id);
        var rows = F.server.rowsOf(this.connection, "SELECT CAST(WordID AS TEXT), Records FROM SearchPostings " +
            "WHERE Field = " + FIELD_NUMBERS[field] + " AND WordID IN " + numberList(ids), []);
        for (var r = 0; r < rows.length; r++) {
            var entries = textOf(rows[r][1]).split(","), list = [], record = 0;
            for (var e = 0; e < entries.length; e++) {
                var colon = entries[e].indexOf(":");
                if (colon < 0) {
                    record += parseFloat(entries[e]);
                    list.push(record, 1);
                } else {
                    record += parseFloat(entries[e].substring(0, colon));
                    list.push(record, parseFloat(entries[e].substring(colon + 1)));
                }
            }
            found["#" + rows[r][0]] = list;
        }
        return found;
    };

    // The records' short fields come a column at a time, as one value
    // each: a recordset hands a value over at a cost of its own, and a
    // query's hits can be most of the table. Every aggregate of a statement
    // sees the rows in one order, so the columns' lists line up. The values
    // are separated by \u0001, which no page's text should hold; a column
    // whose list has more pieces than there are records holds it, and is
    // read again with \u0002 and \u0001 inside a value written as \u0002
    // followed by "2" and "1". (A column of its own keeps the addresses
    // apart from the titles' letters beyond ASCII, which would make every
    // string cut from their value a slower one for the script engine.)
    // A title is mostly its topic, and its parts mostly the topic's words
    // alone: those come as "" (no title has parts without a topic).
    var PACKED_COLUMNS = ["Rec", "Row", "TextLength", "Untitled", "nullif(Title, Topic)", "Keywords", "Description",
        "Topic", "nullif(TitleParts, char(10) || Topic || char(10))", "Address"];
    var PACKED_ESCAPE = /\u0002([12])/g;

    function packedList(column, escaped) {
        var value = "coalesce(" + column + ", '')";
        if (escaped) value = "replace(replace(" + value + ", char(2), char(2, 50)), char(1), char(2, 49))";
        return "group_concat(" + value + ", char(1))";
    }

    var PACKED_SELECT = (function () {
        var lists = [];
        for (var k = 0; k < PACKED_COLUMNS.length; k++) lists.push(packedList(PACKED_COLUMNS[k], false));
        return "SELECT " + lists.join(", ") + " FROM SearchRecords";
    })();

    function unpackedCharacter(all, which) {
        return which === "1" ? "\u0001" : "\u0002";
    }

    // Reads the short fields of the records not read yet, and of those
    // found before. The readings of a title that the ranking makes of every
    // hit (its topic, its parts, whether it is a title at all) were made by
    // the indexer: they go where the search functions keep their own
    // (index.titles, valid while index.titlesOf is the index's shared
    // parts).
    WordIndexReader.prototype.readRows = function (records) {
        var missing = [], all = this.pending.length ? this.pending.concat(records) : records, asked = [];
        this.pending = [];
        for (var k = 0; k < all.length; k++) {
            var wanted = all[k];
            if (this.rowids[wanted] === undefined && !asked[wanted]) {
                asked[wanted] = true;
                missing.push(wanted);
            }
        }
        if (!missing.length) return;
        // Most of the table is read quicker whole than record by record.
        var where = 2 * missing.length < this.length ? " WHERE Rec IN " + numberList(missing) : "";
        var values = F.server.rowsOf(this.connection, PACKED_SELECT + where, [])[0], columns = [];
        if (values[0] === null) return;
        for (k = 0; k < values.length; k++) {
            columns.push(textOf(values[k]).split("\u0001"));
            if (columns[k].length === columns[0].length) continue;
            var escaped = F.server.rowsOf(this.connection, "SELECT " + packedList(PACKED_COLUMNS[k], true) +
                " FROM SearchRecords" + where, [])[0][0];
            columns[k] = textOf(escaped).split("\u0001");
            for (var e = 0; e < columns[k].length; e++) columns[k][e] = columns[k][e].replace(PACKED_ESCAPE, unpackedCharacter);
        }
        var recs = columns[0], rowids = columns[1], lengths = columns[2], untitled = columns[3], titles = columns[4],
            keywords = columns[5], descriptions = columns[6], topics = columns[7], parts = columns[8],
            addresses = columns[9];
        if (this.titlesOf !== this.sharedParts) {
            this.titlesOf = this.sharedParts;
            this.titles = [];
        }
        for (var r = 0; r < recs.length; r++) {
            var record = parseFloat(recs[r]);
            if (this.rowids[record] !== undefined) continue;
            this.rowids[record] = rowids[r];
            this.textLengths[record] = parseFloat(lengths[r]);
            var topic = topics[r];
            this.fieldTexts[F.TITLE][record] = titles[r] || topic;
            this.fieldTexts[F.KEYWORDS][record] = keywords[r];
            this.fieldTexts[F.DESCRIPTION][record] = descriptions[r];
            this.titles[record] = { topic: topic, parts: parts[r] ? parts[r].split("\n") : ["", topic, ""],
                untitled: untitled[r] === "1" };
            this.addresses[record] = F.server.stored(addresses[r]);
        }
    };

    // Reads and folds the text of the records' pages, as the indexer folded
    // it: the index keeps the text's words, not the text.
    WordIndexReader.prototype.readTexts = function (records) {
        this.readRows(records);
        var rowids = [], recordOf = {};
        for (var k = 0; k < records.length; k++) {
            if (this.texts[records[k]] !== undefined || this.rowids[records[k]] === undefined) continue;
            rowids.push(this.rowids[records[k]]);
            recordOf["#" + this.rowids[records[k]]] = records[k];
            this.texts[records[k]] = "";
        }
        if (!rowids.length) return;
        var rows = F.server.rowsOf(this.connection, "SELECT CAST(rowid AS TEXT), Text FROM IndexData WHERE rowid IN " +
            numberList(rowids), []);
        for (var r = 0; r < rows.length; r++) {
            this.texts[recordOf["#" + rows[r][0]]] = F.foldedText(F.server.stored(rows[r][1]).replace(NUL, " "));
        }
    };

    // The search functions read these texts one hit at a time; they are read
    // together beforehand.
    WordIndexReader.prototype.willRead = function (records, fields) {
        for (var f = 0; f < fields.length; f++) {
            if (fields[f] === F.TEXT) this.readTexts(records);
        }
        this.readRows(records);
    };

    WordIndexReader.prototype.foldedText = function (i, field) {
        if (field === F.TEXT) {
            if (this.texts[i] === undefined) this.readTexts([i]);
            return this.texts[i] || "";
        }
        if (this.rowids[i] === undefined) this.readRows([i]);
        return this.rowids[i] !== undefined ? this.fieldTexts[field][i] : "";
    };

    WordIndexReader.prototype.foldedLength = function (i, field) {
        if (field !== F.TEXT) return this.foldedText(i, field).length;
        if (this.rowids[i] === undefined) this.readRows([i]);
        return this.rowids[i] !== undefined ? this.textLengths[i] : 0;
    };

    // The page's address, and every page's address stem (the ranking reads
    // the site's shape from them; read only when it asks).
    WordIndexReader.prototype.address = function (i) {
        if (this.rowids[i] === undefined) this.readRows([i]);
        return this.rowids[i] !== undefined ? this.addresses[i] : "";
    };

    WordIndexReader.prototype.addressStems = function () {
        var rows = F.server.rowsOf(this.connection, "SELECT Address FROM SearchRecords", []), stems = [];
        for (var r = 0; r < rows.length; r++) stems.push(F.addressStem(F.server.stored(rows[r][0])));
        return stems;
    };

    // The row of IndexData that holds record i.
    WordIndexReader.prototype.rowOf = function (i) {
        if (this.rowids[i] === undefined) this.readRows([i]);
        return this.rowids[i];
    };

    // A vocabulary word's occurrences in the field as the indexer summed
    // them over the words that hold it, as find gives them; null when it did
    // not (a word that is no vocabulary word, or a very long one).
    WordIndexReader.prototype.summed = function (word, field) {
        var id = this.summedIds["#" + word];
        if (id === undefined) {
            var ids = F.server.rowsOf(this.connection, "SELECT CAST(WordID AS TEXT) FROM SearchWords " +
                "WHERE Word = ? AND Summed = 1", [word]);
            id = this.summedIds["#" + word] = ids.length ? String(ids[0][0]) : null;
        }
        if (id === null) return null;
        var rows = F.server.rowsOf(this.connection, "SELECT hex(Records) FROM SearchOccurrences WHERE WordID = " +
            id + " AND Field = " + FIELD_NUMBERS[field], []);
        var records = [], kinds = [], record = 0;
        // Pairs of variable-length numbers: the record's distance from the
        // one before, then whole + start * 128 + inside * 16384.
        var hex = rows.length ? textOf(rows[0][0]) : "", at = { at: 0 };
        while (at.at < hex.length) {
            record += readNumber(hex, at);
            var packed = readNumber(hex, at);
            records.push(record);
            kinds.push([packed & 127, (packed >> 7) & 127, packed >> 14]);
        }
        return { records: records, kinds: kinds };
    };

    // The atoms that may stand for each word of a phrase (the first word
    // ends its atom, the middle ones are whole atoms, the last one starts
    // its atom): for each word, [{ id, atom }]; null when a word has none.
    WordIndexReader.prototype.phraseAtoms = function (words) {
        var last = words.length - 1, atoms = [];
        for (var k = 0; k <= last; k++) {
            var rows, word = words[k], after = k > 0 && k === last ? afterPrefix(word) : null;
            if (k > 0 && k < last) {
                rows = F.server.rowsOf(this.connection, "SELECT CAST(AtomID AS TEXT), Atom FROM SearchAtoms WHERE Atom = ?", [word]);
            } else if (after !== null) {
                // The atoms that start with the word stand together in the
                // atoms' index.
                rows = F.server.rowsOf(this.connection, "SELECT CAST(AtomID AS TEXT), Atom FROM SearchAtoms " +
                    "WHERE Atom >= ? AND Atom < ?", [word, after]);
            } else {
                // The first word ends its atom; the database measures
                // lengths in characters, instr quicker than that.
                rows = F.server.rowsOf(this.connection, "SELECT CAST(AtomID AS TEXT), Atom FROM SearchAtoms WHERE " +
                    (k === 0 ? "instr(Atom, ?) > 0 AND substr(Atom, length(Atom) - length(?) + 1) = ?" : "instr(Atom, ?) = 1"),
                    k === 0 ? [word, word, word] : [word]);
            }
            atoms[k] = [];
            for (var r = 0; r < rows.length; r++) atoms[k].push({ id: String(rows[r][0]), atom: textOf(rows[r][1]) });
            if (!atoms[k].length) return null;
        }
        return atoms;
    };

    // A phrase of words of word characters only, in the text of every
    // record, from where the text's atoms stand (SearchPlaces), as find
    // gives it: taken from the left without overlap, as the pattern takes
    // it. Each place is a number of seven bits a byte, low bits first: its
    // distance from the one before times 4, plus 2 for an underscore before
    // the atom, plus 1 for one after it; each record's entry is its distance
    // from the record before, its places' length in bytes, then its places.
    WordIndexReader.prototype.phraseInTexts = function (matcher, within) {
        var words = matcher.words, last = words.length - 1, records = [], kinds = [];
        var atoms = this.phraseAtoms(words);
        if (!atoms) return { records: records, kinds: kinds };
        var ids = [], k, a, r;
        for (k = 0; k <= last; k++) {
            for (a = 0; a < atoms[k].length; a++) ids.push(atoms[k][a].id);
        }
        var hexOf = {};
        var rows = F.server.rowsOf(this.connection, "SELECT CAST(AtomID AS TEXT), hex(Places) FROM SearchPlaces " +
            "WHERE AtomID IN " + numberList(ids), []);
        for (r = 0; r < rows.length; r++) hexOf["#" + rows[r][0]] = textOf(rows[r][1]);
        // The word whose atoms have the fewest places first: the others are
        // then read only in the records it leaves.
        var order = [], size = [];
        for (k = 0; k <= last; k++) {
            size[k] = 0;
            for (a = 0; a < atoms[k].length; a++) size[k] += (hexOf["#" + atoms[k][a].id] || "").length;
            order.push(k);
        }
        order.sort(function (x, y) {
            return size[x] - size[y] || x - y;
        });
        // Word by word: record => { ordinals, values } in ordinal order, a
        // value being atom * 4 + flags (dense lists: a text holds thousands
        // of places, too many for a sparse array). A later word keeps only
        // the places where the first word read leaves room for it: word k
        // of a phrase stands k - k0 atoms after word k0. Records index
        // arrays, not "#" keys: every record of every atom is looked at,
        // most only to be skipped.
        var places = [], candidates = null, found = null, k0 = order[0], list, p, q;
        if (within) {
            candidates = [];
            for (r = 0; r < within.length; r++) candidates[within[r]] = true;
        }
        for (var w = 0; w <= last; w++) {
            k = order[w];
            places[k] = [];
            found = [];
            var merged = [];
            for (a = 0; a < atoms[k].length; a++) {
                var hex = hexOf["#" + atoms[k][a].id] || "", at = { at: 0 }, record = 0;
                while (at.at < hex.length) {
                    record += readNumber(hex, at);
                    var end = readNumber(hex, at) * 2;
                    end += at.at;
                    if (candidates === null || candidates[record]) {
                        var beside = w > 0 ? places[k0][record].ordinals : null, ordinal = 0, shift = k0 - k;
                        list = places[k][record] || null;
                        p = 0;
                        while (at.at < end) {
                            var value = readNumber(hex, at);
                            ordinal += Math.floor(value / 4);
                            if (beside) {
                                // This atom's places come in ordinal order.
                                while (p < beside.length && beside[p] < ordinal + shift) p++;
                                if (p === beside.length || beside[p] !== ordinal + shift) continue;
                            }
                            if (!list) {
                                list = places[k][record] = { ordinals: [], values: [], atoms: 0, lastAtom: -1 };
                                found.push(record);
                            }
                            if (list.lastAtom !== a) {
                                list.lastAtom = a;
                                if (++list.atoms === 2) merged.push(record);
                            }
                            list.ordinals.push(ordinal);
                            list.values.push(a * 4 + (value & 3));
                        }
                    }
                    at.at = end;
                }
            }
            // A record's places from more than one atom are put in order.
            for (r = 0; r < merged.length; r++) places[k][merged[r]] = inOrdinalOrder(places[k][merged[r]]);
            candidates = places[k];
        }
        found.sort(byNumber);
        var lastSize = words[last].length, shown = words.join(" ");
        for (r = 0; r < found.length; r++) {
            var key = found[r], first = places[0][key], seek = [];
            for (k = 1; k <= last; k++) seek[k] = 0;
            var counted = [0, 0, 0], endOrdinal = -1, endAt = 0;
            for (var n = 0; n < first.ordinals.length; n++) {
                var i = first.ordinals[n];
                if (i < endOrdinal) continue;
                // Word k at i + k; i only grows, and so does where each word is looked for.
                for (k = 1; k <= last; k++) {
                    list = places[k][key].ordinals;
                    for (q = seek[k]; q < list.length && list[q] < i + k; q++) {
                    }
                    seek[k] = q;
                    if (q === list.length || list[q] !== i + k) break;
                }
                if (k <= last) continue;
                var head = first.values[n], atom = atoms[0][Math.floor(head / 4)].atom, start = atom.length - words[0].length;
                if (i === endOrdinal && start < endAt) continue;
                var tail = last > 0 ? places[last][key].values[seek[last]] : head;
                var lastAtom = atoms[last][Math.floor(tail / 4)].atom;
                // The kind of a match depends only on the characters beside it.
                var before = start > 0 ? atom.charAt(start - 1) : (head & 2 ? "_" : "");
                var after = lastSize < lastAtom.length ? lastAtom.charAt(lastSize) : (tail & 1 ? "_" : "");
                var kind = F.countKinds(before + shown + after, matcher);
                for (var c = 0; c < 3; c++) counted[c] += kind[c];
                endOrdinal = i + last;
                endAt = lastSize;
            }
            if (counted[0] || counted[1] || counted[2]) {
                records.push(found[r]);
                kinds.push(counted);
            }
        }
        this.pending = this.pending.concat(records);
        return { records: records, kinds: kinds };
    };

    // How often each pair stands in the texts of the records, from where
    // the texts' atoms stand: for each pair { "#record": count }, as the
    // search functions' pair bonus counts it in the text; null unless every
    // pair's words are runs of word characters.
    WordIndexReader.prototype.pairCounts = function (records, pairs) {
        var counts = [], k;
        for (k = 0; k < pairs.length; k++) {
            if (!placesFind(pairs[k])) return null;
        }
        for (k = 0; k < pairs.length; k++) {
            var found = this.phraseInTexts(pairs[k], records), here = {};
            for (var r = 0; r < found.records.length; r++) {
                here["#" + found.records[r]] = found.kinds[r][0] + found.kinds[r][1] + found.kinds[r][2];
            }
            counts.push(here);
        }
        return counts;
    };

    // A record's places of a word, read atom by atom, in ordinal order.
    function inOrdinalOrder(list) {
        var order = [], k;
        for (k = 0; k < list.ordinals.length; k++) order.push(k);
        order.sort(function (x, y) {
            return list.ordinals[x] - list.ordinals[y];
        });
        var sorted = { ordinals: [], values: [] };
        for (k = 0; k < order.length; k++) {
            sorted.ordinals.push(list.ordinals[order[k]]);
            sorted.values.push(list.values[order[k]]);
        }
        return sorted;
    }

    // Whether each of the phrase's words is a run of word characters that
    // the indexer keeps as one atom, which the atoms' places find: it cuts
    // the text at blanks and punctuation, and the underscore is both
    // punctuation and a word character.
    var GAP = new RegExp("[" + F.BLANK_CLASS + F.PUNCTUATION_CLASS + "]");

    function placesFind(matcher) {
        if (!matcher.words) return false;
        for (var k = 0; k < matcher.words.length; k++) {
            var pieces = piecesOf(matcher.words[k]);
            if (pieces.length !== 1 || pieces[0] !== matcher.words[k] || GAP.test(matcher.words[k])) return false;
        }
        return true;
    }

    // The records whose field holds a word of word characters only, in
    // record order, with its occurrences by kind: as the indexer summed them
    // over the vocabulary words that hold it, or from those words' postings.
    WordIndexReader.prototype.wordIn = function (needle, field) {
        var key = field + "w" + needle;
        if (this.words[key]) return this.words[key];
        var found = this.summed(needle, field);
        if (!found) {
            var words = this.wordsHolding(needle), postings = this.postings(words, field), counts = {}, k, r;
            found = { records: [], kinds: [] };
            for (k = 0; k < words.length; k++) {
                var list = postings["#" + words[k].id];
                if (!list) continue;
                var inWord = kindsInWord(needle, words[k].word);
                for (var j = 0; j < list.length; j += 2) {
                    var count = counts["#" + list[j]];
                    if (!count) {
                        count = counts["#" + list[j]] = [0, 0, 0];
                        found.records.push(list[j]);
                    }
                    for (var c = 0; c < 3; c++) count[c] += inWord[c] * list[j + 1];
                }
            }
            found.records.sort(byNumber);
            for (r = 0; r < found.records.length; r++) found.kinds.push(counts["#" + found.records[r]]);
        }
        this.words[key] = found;
        return found;
    };

    // The records whose field holds the matcher, in record order, with its
    // occurrences by kind, as F.Index.find gives them. A word of word
    // characters only is answered from the vocabulary words that hold it;
    // anything else is counted in the folded text of the records whose
    // words hold each of its pieces.
    WordIndexReader.prototype.find = function (field, matcher) {
        // A "Did you mean" asks again for what the search found.
        var key = field + (matcher.pattern ? "p" + matcher.pattern.source : "w" + matcher.folded);
        var known = this.found[key];
        if (!known) known = this.found[key] = this.findAnew(field, matcher);
        return known;
    };

    WordIndexReader.prototype.findAnew = function (field, matcher) {
        var pieces = piecesOf(matcher.folded);
        var records = [], kinds = [], k, r;
        if (!matcher.pattern && pieces.length === 1 && pieces[0] === matcher.folded) {
            var found = this.wordIn(matcher.folded, field);
            this.pending = this.pending.concat(found.records);
            return found;
        }
        if (field === F.TEXT && placesFind(matcher)) return this.phraseInTexts(matcher);
        var holding = null;
        if (pieces.length) {
            for (k = 0; k < pieces.length; k++) {
                var holders = this.wordIn(pieces[k], field).records, here = {};
                for (var h = 0; h < holders.length; h++) here["#" + holders[h]] = true;
                if (holding !== null) {
                    for (var kept in holding) {
                        if (holding.hasOwnProperty(kept) && !here[kept]) delete holding[kept];
                    }
                } else {
                    holding = here;
                }
            }
        }
        var candidates = [];
        if (holding === null) {
            for (r = 0; r < this.length; r++) candidates.push(r);
        } else {
            for (var key in holding) {
                if (holding.hasOwnProperty(key)) candidates.push(parseFloat(key.substring(1)));
            }
            candidates.sort(byNumber);
        }
        if (field === F.TEXT) this.readTexts(candidates);
        else this.readRows(candidates);
        for (r = 0; r < candidates.length; r++) {
            var counted = F.countKinds(this.foldedText(candidates[r], field), matcher);
            if (counted[0] || counted[1] || counted[2]) {
                records.push(candidates[r]);
                kinds.push(counted);
            }
        }
        this.pending = this.pending.concat(records);
        return { records: records, kinds: kinds };
    };

    // Searches the word index for a parsed query. Returns { index, hits }
    // as the browser engine's search of the whole index would give them.
    function wordIndexSearch(connection, query, strategy) {
        var index = new WordIndexReader(connection);
        return { index: index, hits: F.search(index, query, strategy) };
    }

    F.server.wordIndexSearch = wordIndexSearch;
})(Findlark);
