<?php
// Findlark server-side search (PHP): reading the visitor's query, as the browser engine reads it.

const FL_MAX_QUERY_LENGTH = 256;
const FL_MAX_WORDS = 32;
const FL_MATCH_ALL = 0;
const FL_MATCH_ANY = 1;
const FL_MATCH_PHRASE = 2;

// Sentence punctuation, brackets and quotes: allowed with blanks between the words of a phrase, and
// stripped from the ends of a word, except the underscore, which is part of names ("__init__").
const FL_PUNCTUATION = '!"\'(),\-.\/:;<=>?\[\\\\\]^_`{|}~*\x{A1}\x{AB}\x{B7}\x{BB}\x{BF}\x{2010}-\x{2027}'
    . '\x{2030}-\x{205E}\x{3000}-\x{303F}\x{FF01}\x{FF02}\x{FF07}-\x{FF0A}\x{FF0C}-\x{FF0F}\x{FF1A}-\x{FF1F}'
    . '\x{FF3B}-\x{FF3F}\x{FF5B}-\x{FF65}';

function fl_strip_edges($word)
{
    static $edges = null;
    if ($edges === null) {
        $edge = str_replace('^_`', '^`', FL_PUNCTUATION);
        $edges = '/^[' . $edge . ']+|[' . $edge . ']+$/u';
    }
    return preg_replace($edges, '', $word);
}

// Cuts an over-long query at the last blank before the limit, so that no word is searched for in a
// truncated form, and never inside a character.
function fl_limit_length($s)
{
    if (fl_length($s) <= FL_MAX_QUERY_LENGTH) {
        return $s;
    }
    $units = fl_units($s);
    $cut = array_slice($units, 0, FL_MAX_QUERY_LENGTH + 1);
    $end = FL_MAX_QUERY_LENGTH;
    // The last blank after which only non-blanks follow within the cut.
    for ($k = count($cut) - 1; $k > 0; $k--) {
        if (preg_match('/^[' . FL_BLANK_CLASS . ']$/u', $cut[$k])) {
            $end = $k;
            break;
        }
    }
    if ($end > 0 && $end < count($units) && $units[$end] === '') {
        $end--;
    }
    return implode('', array_slice($units, 0, $end));
}

function fl_word_matcher($text)
{
    return array('text' => $text, 'folded' => fl_fold_case($text), 'pattern' => null, 'words' => array(fl_fold_case($text)));
}

function fl_phrase_matcher($words)
{
    $folded = array();
    $quoted = array();
    foreach ($words as $word) {
        $folded[] = fl_fold_case($word);
        $quoted[] = preg_quote(fl_fold_case($word), '/');
    }
    $text = implode(' ', $words);
    return array(
        'text' => $text,
        'folded' => fl_fold_case($text),
        'pattern' => '/' . implode('[' . FL_BLANK_CLASS . FL_PUNCTUATION . ']+', $quoted) . '/u',
        'words' => $folded
    );
}

// What the search needs of the typed text (see the browser engine's parseQuery): raw, shown, the
// matchers in the order typed without repeats, and the matching strategy.
function fl_parse_query($text, $matching)
{
    $raw = fl_limit_length(preg_replace('/[\x00-\x1F\x7F]/', ' ', fl_well_formed($text)));
    $shown = fl_trim_blanks(implode(' ', preg_split('/[' . FL_BLANK_CLASS . ']+/u', fl_composed($raw))));
    $pieces = $shown === '' ? array() : explode(' ', $shown);
    $phrase = $matching === FL_MATCH_PHRASE;
    $words = array();
    $seen = array();
    foreach ($pieces as $piece) {
        if (count($words) >= FL_MAX_WORDS) {
            break;
        }
        $word = fl_strip_edges($piece);
        $key = '#' . fl_fold_case($word);
        if ($word === '' || (!$phrase && isset($seen[$key]))) {
            continue;
        }
        $seen[$key] = true;
        $words[] = $word;
    }
    $matchers = array();
    if ($phrase && count($words) > 1) {
        $matchers[] = fl_phrase_matcher($words);
    } else {
        foreach ($words as $word) {
            $matchers[] = fl_word_matcher($word);
        }
    }
    return array('raw' => $raw, 'shown' => $shown, 'matchers' => $matchers, 'matching' => $matching);
}

// Every place where the matcher occurs in folded text, as byte ranges, at most $limit of them, taken
// from the left without overlap (as the browser's indexOf loop and global pattern take them).
function fl_find_all($folded, $matcher, $limit)
{
    $found = array();
    if ($matcher['pattern'] !== null) {
        $m = array();
        if (preg_match_all($matcher['pattern'], $folded, $m, PREG_OFFSET_CAPTURE)) {
            foreach ($m[0] as $hit) {
                if (count($found) >= $limit) {
                    break;
                }
                $found[] = array($hit[1], $hit[1] + strlen($hit[0]));
            }
        }
        return $found;
    }
    $needle = $matcher['folded'];
    $size = strlen($needle);
    $at = $size ? strpos($folded, $needle) : false;
    while ($at !== false && count($found) < $limit) {
        $found[] = array($at, $at + $size);
        $at = strpos($folded, $needle, $at + $size);
    }
    return $found;
}

function fl_count_all($folded, $matcher, $limit)
{
    if ($matcher['pattern'] !== null) {
        return count(fl_find_all($folded, $matcher, $limit));
    }
    return $matcher['folded'] === '' ? 0 : min($limit, substr_count($folded, $matcher['folded']));
}
