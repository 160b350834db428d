<?php
// Findlark server-side search (PHP): the search's state in the address, read as the browser engine
// reads it: q (the query), p (the result page), m and s (the strategies the visitor chose); the first
// of repeated ones; UTF-8 with "+" for a blank; an escape that is no part of well-formed UTF-8 kept as
// written. PHP's own $_GET would read some of these differently, so the query part is read here.

// Decodes a run of %XX escapes, taking each time the shortest group that is a whole UTF-8 character.
function fl_decode_run($run)
{
    $escapes = str_split($run, 3);
    $out = '';
    $count = count($escapes);
    for ($k = 0; $k < $count;) {
        $done = false;
        for ($n = 1; $n <= 4 && $k + $n <= $count && !$done; $n++) {
            $bytes = rawurldecode(implode('', array_slice($escapes, $k, $n)));
            if (preg_match('//u', $bytes)) {
                $out .= $bytes;
                $k += $n;
                $done = true;
            }
        }
        if (!$done) {
            $out .= $escapes[$k++];
        }
    }
    return $out;
}

function fl_decode_part($s)
{
    $s = str_replace('+', ' ', $s);
    return preg_replace_callback('/(?:%[0-9A-Fa-f]{2})+/', function ($m) {
        return fl_decode_run($m[0]);
    }, $s);
}

function fl_parse_params($search)
{
    $s = (string) $search;
    $hash = strpos($s, '#');
    if ($hash !== false) {
        $s = substr($s, 0, $hash);
    }
    if (substr($s, 0, 1) === '?') {
        $s = substr($s, 1);
    }
    $params = array();
    foreach (explode('&', $s) as $pair) {
        if ($pair === '') {
            continue;
        }
        $eq = strpos($pair, '=');
        $name = fl_decode_part($eq === false ? $pair : substr($pair, 0, $eq));
        $value = $eq === false ? '' : fl_decode_part(substr($pair, $eq + 1));
        if (in_array($name, array('q', 'p', 'm', 's'), true) && !array_key_exists($name, $params)) {
            $params[$name] = fl_well_formed($value);
        }
    }
    return $params;
}

function fl_choice($value, $max)
{
    $digit = is_string($value) ? fl_trim_blanks($value) : '';
    return preg_match('/^\d$/D', $digit) && intval($digit) <= $max ? intval($digit) : -1;
}

function fl_request_from($params, $options)
{
    $m = fl_choice(isset($params['m']) ? $params['m'] : null, 2);
    $s = fl_choice(isset($params['s']) ? $params['s'] : null, 3);
    $digits = isset($params['p']) ? fl_trim_blanks($params['p']) : '';
    $p = preg_match('/^\d{1,9}$/D', $digits) ? intval($digits, 10) : 1;
    return array(
        'hasQuery' => array_key_exists('q', $params),
        'query' => array_key_exists('q', $params) ? $params['q'] : '',
        'page' => $p >= 1 ? $p : 1,
        'matching' => $m >= 0 ? $m : $options['matching'],
        'matchingChosen' => $m >= 0,
        'strategy' => $s >= 0 ? $s : $options['strategy'],
        'strategyChosen' => $s >= 0
    );
}

// encodeURIComponent, with "+" for a blank.
function fl_encode($s)
{
    $encoded = rawurlencode(fl_well_formed($s));
    $encoded = strtr($encoded, array('%21' => '!', '%2A' => '*', '%27' => "'", '%28' => '(', '%29' => ')'));
    return str_replace('%20', '+', $encoded);
}

function fl_page_address($base, $request, $queryText, $page)
{
    $out = $base . '?q=' . fl_encode($queryText);
    if ($request['matchingChosen']) {
        $out .= '&m=' . $request['matching'];
    }
    if ($request['strategyChosen']) {
        $out .= '&s=' . $request['strategy'];
    }
    if ($page > 1) {
        $out .= '&p=' . $page;
    }
    return $out;
}
