// The sites the PHP page is compared with the browser engine on, each with the queries that exercise it.
import path from "node:path";
import { realSite, sampleSite, tempDir, writeSite, page } from "./fixture.mjs";

// A site made for the ranking's signals: most titles end in the site's name, words stand whole, at
// the start of a word or inside one, together or apart; a dotted name, a name with underscores, an
// untitled text file, accents, a character beyond U+FFFF next to a match, and curly quotes and
// apostrophes beside straight ones.
const SUFFIX = " \u2014 Lamplight Docs";
const utf8Page = (fields) => page(fields).replace("<head>", "<head><meta charset=\"utf-8\">");
export const rankingSite = writeSite(path.join(tempDir("ranking-site"), "site"), {
    "index.html": utf8Page({ title: "Welcome" + SUFFIX, body: "<p>Lamplight docs: keys, paths and colours.</p>" }),
    "os-path.html": utf8Page({ title: "os.path.join" + SUFFIX, body: "<p>os.path.join joins the parts of a path.</p>" }),
    "paths.html": utf8Page({ title: "Paths and files" + SUFFIX, keywords: "path, join",
        body: "<p>Call os.path.join, or join a path by hand; os.path.join again. Joining is easy.</p>" }),
    "init.html": utf8Page({ title: "__init__ methods" + SUFFIX,
        body: "<p>def __init__(self): the initializer. Files named __init__.py; _private names; init.</p>" }),
    "foreign.html": utf8Page({ title: "Foreign key" + SUFFIX, description: "A foreign key links two tables.",
        body: "<p>The foreign key of a row names a key of another table.</p>" }),
    "keyword.html": utf8Page({ title: "Keywords" + SUFFIX,
        body: "<p>keyword keywords monkey donkey keyword key; a foreign table and a key.</p>" }),
    "apart.html": utf8Page({ title: "Red things" + SUFFIX, body: "<p>Red lanterns and green glass: the green is not red.</p>" }),
    "together.html": utf8Page({ title: "Colours" + SUFFIX, body: "<p>Red green, red-green and red; green.</p>" }),
    "accents.html": utf8Page({ title: "Caf\u00e9 \u00fcn\u00efc\u00f6d\u00e9" + SUFFIX,
        body: "<p>Na\u00efve caf\u00e9: \u{1D49C}key and key\u{1D49C}, \u{1D49C} key, \u00c9T\u00c9 \u00e9t\u00e9 stra\u00dfe.</p>" }),
    "compass.html": utf8Page({ title: "Brass compass" + SUFFIX, body: "<p>A compass of brass.</p>" }),
    "catalogue.html": utf8Page({ title: "Catalogue" + SUFFIX,
        body: "<p>Brass compass, brass compass, brass compass and a brass lantern.</p>" }),
    "about.html": utf8Page({ title: "About", body: "<p>Lamplight Docs are written by hand. Keys and a key.</p>" }),
    "quotes.html": utf8Page({ title: "Don\u2019t lose the \u201cKey\u201d" + SUFFIX,
        body: "<p>It\u2019s the colour\u2019s \u2018red green\u2019 key at one o\u2019clock; don't lose it.</p>" }),
    "notes.txt": "Foreign key notes: key, key, key. Red green. Lamplight.\n",
    // One signal apart each: a title hit outranks a text hit, a short page a long one, the start of a
    // word a place inside one, a titled page an untitled one; counts beyond the cap tie; a word longer
    // than the index sums is found all the same.
    "field-1.html": utf8Page({ title: "Linen" + SUFFIX, body: "<p>Woven flax.</p>" }),
    "field-2.html": utf8Page({ title: "Flax" + SUFFIX, body: "<p>Woven linen.</p>" }),
    "length-1.html": utf8Page({ title: "Minerals one" + SUFFIX, body: "<p>" + "stone and rock ".repeat(300) + "quartz</p>" }),
    "length-2.html": utf8Page({ title: "Minerals two" + SUFFIX, body: "<p>A quartz stone.</p>" }),
    "kind-1.html": utf8Page({ title: "Metals one" + SUFFIX, body: "<p>The tincopper pot.</p>" }),
    "kind-2.html": utf8Page({ title: "Metals two" + SUFFIX, body: "<p>The copperware pot.</p>" }),
    "untitled-1.html": "<html><body><p>Saffron and salt.</p></body></html>\n",
    "untitled-2.html": utf8Page({ title: "Spices" + SUFFIX, body: "<p>Saffron and salt.</p>" }),
    "cap-1.html": utf8Page({ title: "Wicks one" + SUFFIX, body: "<p>" + "wick ".repeat(150) + "</p>" }),
    "cap-2.html": utf8Page({ title: "Wicks two" + SUFFIX, body: "<p>" + "wick ".repeat(120) + "</p>" }),
    "long-1.html": utf8Page({ title: "Long words" + SUFFIX, body: "<p>pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra and pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra.</p>" }),
    // Pairs of pages alike but for one signal, the first in index order the one it must put second.
    "exact-1.html": utf8Page({ title: "Brass compass, brass compass" + SUFFIX, body: "<p>A set.</p>" }),
    "pair-1.html": utf8Page({ title: "Lamps one" + SUFFIX, body: "<p>Amber lamps and glow.</p>" }),
    "pair-2.html": utf8Page({ title: "Lamps two" + SUFFIX, body: "<p>Amber glow and lamps.</p>" }),
    "rare-1.html": utf8Page({ title: "Sparks one" + SUFFIX, body: "<p>ember ember ember, then flint.</p>" }),
    "rare-2.html": utf8Page({ title: "Sparks two" + SUFFIX, body: "<p>flint flint flint, then ember.</p>" }),
    "rare-3.html": utf8Page({ title: "Embers" + SUFFIX, body: "<p>ember</p>" }),
    "rare-4.html": utf8Page({ title: "More embers" + SUFFIX, body: "<p>ember, ember</p>" }),
    // A phrase found twice where its last word's atom also ends with its first word: both count.
    "weave-1.html": utf8Page({ title: "Weave one" + SUFFIX, body: "<p>loom feltloom felt</p>" }),
    "weave-2.html": utf8Page({ title: "Weave two" + SUFFIX, body: "<p>loom felt x loomed</p>" }),
    "units-1.html": utf8Page({ title: "Inkwell \u00e9\u00e9\u00e9" + SUFFIX, body: "<p>nib \u00e9\u00e9\u00e9 a\u00e9quill</p>" }),
    "units-2.html": utf8Page({ title: "Inkwell abc" + SUFFIX, body: "<p>nib abc \u{1D49C}quill</p>" }),
    // The address: a file name that spells the query, joined, before pages alike but for it; a short
    // page over the hits in its folder before them.
    "queryplanner-ng.html": utf8Page({ title: "Planner one" + SUFFIX, body: "<p>The query planner.</p>" }),
    "queryplanner.html": utf8Page({ title: "Planner two" + SUFFIX, body: "<p>The query planner.</p>" }),
    "sky/one.html": utf8Page({ title: "Sky one" + SUFFIX, body: "<p>" + "orbit ".repeat(4) + "</p>" }),
    "sky/two.html": utf8Page({ title: "Sky two" + SUFFIX, body: "<p>" + "orbit ".repeat(3) + "</p>" }),
    "sky/index.html": utf8Page({ title: "Sky" + SUFFIX, body: "<p>An orbit.</p>" }),
    "resume.html": utf8Page({ title: "R&eacute;sum&eacute;" + SUFFIX, body: "<p>A r&eacute;sum&eacute; of the docs.</p>" }),
    // A slip found on two pages, inside a word too: its occurrence list is long for two pages, and the
    // word it slipped from is on ten times as many.
    "slip-1.html": utf8Page({ title: "Slips one" + SUFFIX, body: "<p>xlamplighx lamplighx</p>" }),
    "slip-2.html": utf8Page({ title: "Slips two" + SUFFIX, body: "<p>xlamplighx</p>" })
});

export const SITES = [
    {
        name: "the sample site",
        dir: sampleSite,
        queries: ["lantern", "harbor lantern", "pier wind", "the", "e", "lant", "Tuesday hello", "compass",
            "hello@harbor-lantern.example", "night walk", "LANTERN co.", "zzzyzzy", "don't", "c++", "1998",
            "\u00e9t\u00e9", "14\u201316", "$HOME", "a\\b"]
    },
    {
        name: "the real site copy",
        dir: realSite,
        queries: ["sqlite", "select", "virtual table", "journal mode", "the", "pragma", "fts5", "json", "WAL",
            "collate nocase", "[", "%", "a_b", "x'", "xyzzyplugh", "r-tree index", "\u00e9", "k", "\"quoted\" words",
            "of the", "sqlte", "virtaul table", "jounral mode", "pragmaa"]
    },
    {
        name: "the ranking site",
        dir: rankingSite,
        queries: ["key", "foreign key", "key foreign", "red green", "green red", "os.path.join", "path join",
            "__init__", "_private", "init", "lamplight", "lamplight docs", "brass compass", "caf\u00e9", "\u{1D49C}",
            "key\u{1D49C}", "no title", "notes", "\u00e9t\u00e9", "monkey key", "docs keys", "amber glow", "ember flint",
            "inkwell", "nib", "quill", "don't", "don\u2019t", "it's", "colour\u2019s", "\u2018red green\u2019",
            "\u201ckey\u201d", "o\u2018clock", "flax", "quartz", "copper", "saffron", "wick", "linen flax", "loom felt",
            "pneumonoultramicroscopicsilicovolcanoconiosisxyzzyextra", "ultramicroscopic", "query planner", "orbit",
            // Slips: a swap, a letter left out, one too many, one replaced, letters beyond ASCII.
            "lamplihgt", "foriegn key", "safron", "quartzz", "quarts", "R\u00c9SUM\u00c8", "\u00fcn\u00efcod\u00e9", "amber glwo", "lamplighx"]
    }
];
