<?php
// Findlark server-side search (PHP): excerpts and marked matches, placed as the browser engine places
// them. Texts are handled as arrays of UTF-16 units (see fl_units); matches are found in the folded
// text's bytes and turned into unit positions.

const FL_EXCERPT_LENGTH = 250;
const FL_WORD_SNAP = 20;
const FL_PLACE_LIMIT = 50;
const FL_ELLIPSIS = "\u{2026}";

// The matches of a matcher inside units [$from, $to), as unit ranges of the whole text.
function fl_find_units($units, $from, $to, $matcher, $limit)
{
    $slice = array_slice($units, $from, max(0, $to - $from));
    $map = array();
    $offset = 0;
    foreach ($slice as $j => $unit) {
        if ($unit !== '') {
            $map[$offset] = $j;
            $offset += strlen($unit);
        }
    }
    $map[$offset] = count($slice);
    $ranges = array();
    foreach (fl_find_all(implode('', $slice), $matcher, $limit) as $range) {
        $ranges[] = array($from + $map[$range[0]], $from + $map[$range[1]]);
    }
    return $ranges;
}

function fl_is_blank($unit)
{
    return $unit !== '' && preg_match('/^[' . FL_BLANK_CLASS . ']$/u', $unit) === 1;
}

function fl_inside_pair($units, $k)
{
    return $k > 0 && $k < count($units) && $units[$k] === '';
}

function fl_occurrences($folded, $matchers, $limit)
{
    $all = array();
    foreach ($matchers as $k => $matcher) {
        foreach (fl_find_units($folded, 0, count($folded), $matcher, $limit) as $range) {
            $all[] = array('start' => $range[0], 'end' => $range[1], 'matcher' => $k);
        }
    }
    usort($all, function ($a, $b) {
        return ($a['start'] - $b['start']) ? $a['start'] - $b['start'] : $a['end'] - $b['end'];
    });
    return $all;
}

// The stretch beginning at an occurrence and fitting in the excerpt that holds the most different
// matchers, then the most occurrences; the earliest on a tie.
function fl_best_span($all, $size)
{
    $best = null;
    $n = count($all);
    for ($j = 0; $j < $n; $j++) {
        $seen = array();
        $distinct = 0;
        $count = 0;
        $last = $all[$j]['end'];
        for ($k = $j; $k < $n && ($k === $j || $all[$k]['end'] <= $all[$j]['start'] + $size); $k++) {
            $count++;
            if (!isset($seen[$all[$k]['matcher']])) {
                $seen[$all[$k]['matcher']] = true;
                $distinct++;
            }
            if ($all[$k]['end'] > $last) {
                $last = $all[$k]['end'];
            }
        }
        if ($best === null || $distinct > $best['distinct'] || ($distinct === $best['distinct'] && $count > $best['count'])) {
            $best = array('start' => $all[$j]['start'], 'end' => $last, 'distinct' => $distinct, 'count' => $count);
        }
    }
    return $best;
}

function fl_merge($ranges)
{
    usort($ranges, function ($a, $b) {
        return ($a[0] - $b[0]) ? $a[0] - $b[0] : $a[1] - $b[1];
    });
    $out = array();
    foreach ($ranges as $range) {
        $last = count($out) - 1;
        if ($last >= 0 && $range[0] <= $out[$last][1]) {
            if ($range[1] > $out[$last][1]) {
                $out[$last][1] = $range[1];
            }
        } else {
            $out[] = $range;
        }
    }
    return $out;
}

function fl_marks_within($folded, $matchers, $start, $end)
{
    $ranges = array();
    foreach ($matchers as $matcher) {
        foreach (fl_find_units($folded, $start, $end, $matcher, 1000) as $range) {
            $ranges[] = $range;
        }
    }
    return fl_merge($ranges);
}

// Moves the edges of [start, end) onto word boundaries when one is near, without giving up any of
// [keepFrom, keepTo), and drops edge blanks.
function fl_snap($text, $start, $end, $keepFrom, $keepTo)
{
    $length = count($text);
    $at = function ($k) use ($text) {
        return isset($text[$k]) ? $text[$k] : '';
    };
    if ($start > 0 && !fl_is_blank($at($start - 1))) {
        for ($k = $start; $k < min($start + FL_WORD_SNAP, $keepFrom); $k++) {
            if (fl_is_blank($at($k))) {
                $start = $k + 1;
                break;
            }
        }
    }
    if ($end < $length && !fl_is_blank($at($end))) {
        for ($k = $end - 1; $k > max($end - FL_WORD_SNAP, $keepTo - 1); $k--) {
            if (fl_is_blank($at($k))) {
                $end = $k;
                break;
            }
        }
    }
    if (fl_inside_pair($text, $start)) {
        $start++;
    }
    if (fl_inside_pair($text, $end)) {
        $end--;
    }
    while ($start < $end && fl_is_blank($at($start))) {
        $start++;
    }
    while ($end > $start && fl_is_blank($at($end - 1))) {
        $end--;
    }
    $before = $start - 1;
    $after = $end;
    while ($before >= 0 && fl_is_blank($at($before))) {
        $before--;
    }
    while ($after < $length && fl_is_blank($at($after))) {
        $after++;
    }
    return array($start, $end, $before >= 0, $after < $length);
}

function fl_part($edges, $marks)
{
    return array('start' => $edges[0], 'end' => $edges[1], 'cutBefore' => $edges[2], 'cutAfter' => $edges[3],
        'marks' => $marks);
}

// About FL_EXCERPT_LENGTH units of the text around the best place where the query matches, or null.
function fl_excerpt($text, $folded, $matchers)
{
    $size = FL_EXCERPT_LENGTH;
    $all = fl_occurrences($folded, $matchers, FL_PLACE_LIMIT);
    if (!$all) {
        return null;
    }
    $span = fl_best_span($all, $size);
    $centre = ($span['start'] + $span['end']) / 2;
    $start = (int) max(0, min(floor($centre - $size / 2 + 0.5), count($text) - $size));
    if ($start > $span['start']) {
        $start = $span['start'];
    }
    $end = min(count($text), $start + $size);
    $edges = fl_snap($folded, $start, $end, $span['start'], min($span['end'], $end));
    return fl_part($edges, fl_marks_within($folded, $matchers, $edges[0], $edges[1]));
}

// The opening of a text, for pages whose text holds no match.
function fl_lead($text, $folded, $matchers)
{
    $edges = fl_snap($folded, 0, min(count($text), FL_EXCERPT_LENGTH), 0, 0);
    return fl_part($edges, fl_marks_within($folded, $matchers, $edges[0], $edges[1]));
}

// The whole text with its matches marked (titles).
function fl_whole($text, $folded, $matchers)
{
    $edges = fl_snap($folded, 0, count($text), 0, 0);
    return fl_part($edges, fl_marks_within($folded, $matchers, $edges[0], $edges[1]));
}

function fl_substring($units, $from, $to)
{
    return implode('', array_slice($units, $from, max(0, $to - $from)));
}

// HTML for a part: the text escaped, each match wrapped in $openMark ... "</mark>", an ellipsis where
// the text was cut.
function fl_part_html($text, $part, $openMark)
{
    $out = $part['cutBefore'] ? FL_ELLIPSIS . ' ' : '';
    $at = $part['start'];
    foreach ($part['marks'] as $mark) {
        $out .= fl_escape_html(fl_substring($text, $at, $mark[0]));
        $out .= $openMark . fl_escape_html(fl_substring($text, $mark[0], $mark[1])) . '</mark>';
        $at = $mark[1];
    }
    $out .= fl_escape_html(fl_substring($text, $at, $part['end']));
    if ($part['cutAfter']) {
        $out .= ' ' . FL_ELLIPSIS;
    }
    return $out;
}
