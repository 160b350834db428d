// The shared corpus of texts and queries (corpus.json), and what an engine's answers for it must be.
// The script engines (the browser's, the ASP page's) answer through answersOf; the PHP page's test
// gets the same answers from PHP; the indexer's test reads corpus.json itself.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
export const corpusFile = path.join(here, "corpus.json");
export const corpus = JSON.parse(fs.readFileSync(corpusFile, "utf8"));

// What the search functions (the Findlark object of a loaded engine) make of the corpus. foldedText
// takes shortcuts that foldCase of the shown text does not, so both are asked.
export function answersOf(F) {
    return JSON.parse(JSON.stringify({
        texts: corpus.texts.map((entry) => ({
            shown: F.shownText(entry.text),
            folded: F.foldedText(entry.text),
            foldedShown: F.foldCase(F.shownText(entry.text))
        })),
        queries: corpus.queries.map((entry) => {
            const query = F.parseQuery(entry.query, F.MATCH_ALL);
            // Array.from, as a JScript realm has no map of its own.
            return { terms: Array.from(query.matchers, (matcher) => matcher.text), words: F.queryWords(query) };
        }),
        suggestions: corpus.suggestions.map((entry) => {
            const word = F.parseQuery(entry.word, F.MATCH_ALL).matchers[0].folded;
            const vocabulary = entry.vocabulary.map(([text, pages]) => [F.foldedText(text), pages]);
            return F.correctable(word) ? F.nearestWord(word, vocabulary, 1) : null;
        })
    }));
}

// Code points, so that a failure shows which blank or quote differs.
const spelled = (s) => typeof s !== "string" ? String(s) :
    Array.from(s, (c) => c.codePointAt(0).toString(16).toUpperCase().padStart(4, "0")).join(" ");

// Fails on the first answer that is not the corpus's (answers missing a part are not checked on it).
export function checkAnswers(answers) {
    corpus.texts.forEach((entry, k) => {
        const got = answers.texts[k];
        for (const part of ["shown", "folded", "foldedShown"]) {
            if (!(part in got)) continue;
            const want = part === "foldedShown" ? entry.folded : entry[part];
            assert.equal(got[part], want, `${entry.about} (${part} of ${JSON.stringify(entry.text)}): ` +
                `${spelled(got[part])} is not ${spelled(want)}`);
        }
    });
    corpus.queries.forEach((entry, k) => {
        const got = answers.queries[k];
        assert.deepEqual(got.terms, entry.terms, `${entry.about}: the terms of ${JSON.stringify(entry.query)}`);
        assert.equal(got.words, entry.words, `${entry.about}: the words of ${JSON.stringify(entry.query)}`);
    });
    corpus.suggestions.forEach((entry, k) => {
        assert.equal(answers.suggestions[k], entry.suggestion, `${entry.about}: the correction of ${JSON.stringify(entry.word)}`);
    });
}
