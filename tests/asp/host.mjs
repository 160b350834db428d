// A small classic-ASP host for the generated search.asp, for tests only.
//
// It runs the page's server script blocks in order in one context that has
// what IIS's JScript 5.8 has and nothing more (ECMAScript 3 plus JSON: the
// newer built-ins are removed, every script, also what the page hands to
// eval, must parse as ECMAScript 3, and sort keeps no order among ties), and gives the page the ASP objects and
// ActiveX objects it uses: Request.QueryString, Response, Server.MapPath and
// ADODB Connection, Command and Recordset over the generated SQLite file
// (through sql.js). Whatever IIS or ADO would offer but this host does not is
// an error here, never a silent undefined, so the server code cannot come to
// rely on it. The host also serves an output folder over HTTP on 127.0.0.1.
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import vm from "node:vm";
import * as acorn from "acorn";
import initSqlJs from "sql.js";

// The ODBC driver the server code must name, and the keys it understands.
export const ODBC_DRIVER = "SQLite3 ODBC Driver";
const CONNECTION_KEYS = new Set(["driver", "database", "nocreat"]);

const AD_CMD_TEXT = 1;
const AD_VAR_WCHAR = 202;
const AD_PARAM_INPUT = 1;

// Built-ins that JScript 5.8 lacks, removed from the page's context.
const REMOVED = {
    "Array.prototype": ["forEach", "map", "filter", "some", "every", "reduce", "reduceRight", "indexOf",
        "lastIndexOf", "find", "findIndex", "findLast", "findLastIndex", "fill", "copyWithin", "entries", "keys",
        "values", "includes", "flat", "flatMap", "at", "toReversed", "toSorted", "toSpliced", "with"],
    "Array": ["isArray", "from", "of"],
    "String.prototype": ["trim", "trimStart", "trimEnd", "trimLeft", "trimRight", "normalize", "startsWith",
        "endsWith", "includes", "repeat", "padStart", "padEnd", "codePointAt", "at", "replaceAll", "matchAll",
        "isWellFormed", "toWellFormed"],
    "String": ["fromCodePoint", "raw"],
    "Object": ["keys", "create", "defineProperty", "defineProperties", "getPrototypeOf", "setPrototypeOf",
        "getOwnPropertyNames", "getOwnPropertyDescriptor", "getOwnPropertyDescriptors", "freeze", "isFrozen",
        "seal", "isSealed", "preventExtensions", "isExtensible", "assign", "entries", "values", "fromEntries",
        "is", "getOwnPropertySymbols", "groupBy", "hasOwn"],
    "Object.prototype": ["__defineGetter__", "__defineSetter__", "__lookupGetter__", "__lookupSetter__"],
    "Function.prototype": ["bind"],
    "Date": ["now"],
    "Date.prototype": ["toISOString", "toJSON"],
    "Number": ["isNaN", "isFinite", "isInteger", "isSafeInteger", "parseFloat", "parseInt", "EPSILON",
        "MAX_SAFE_INTEGER", "MIN_SAFE_INTEGER"],
    "Math": ["trunc", "sign", "cbrt", "log2", "log10", "log1p", "expm1", "hypot", "clz32", "fround", "imul",
        "sinh", "cosh", "tanh", "asinh", "acosh", "atanh"],
    "this": ["Map", "Set", "WeakMap", "WeakSet", "WeakRef", "FinalizationRegistry", "Promise", "Symbol", "Proxy",
        "Reflect", "ArrayBuffer", "SharedArrayBuffer", "DataView", "Int8Array", "Uint8Array", "Uint8ClampedArray",
        "Int16Array", "Uint16Array", "Int32Array", "Uint32Array", "Float32Array", "Float64Array", "BigInt",
        "BigInt64Array", "BigUint64Array", "Atomics", "globalThis", "AggregateError", "Intl", "WebAssembly",
        "queueMicrotask", "structuredClone", "Iterator"]
};

const checkedSources = new Set();

// Throws unless the text parses as ECMAScript 3 with reserved words kept out
// of property names, as JScript 5.8 requires (no trailing comma in an object
// literal, no let, const, arrow, class, getter, template or regular
// expression flag beyond g, i and m).
export function checkJScript(source, name) {
    if (checkedSources.has(source)) return;
    try {
        acorn.parse(source, { ecmaVersion: 3, allowReserved: "never", sourceType: "script" });
    } catch (e) {
        throw new Error(`${name} is not JScript 5.8: ${e.message}`);
    }
    checkedSources.add(source);
}

// Plays a COM error: JScript code reads its text as description and message.
function comError(text) {
    const error = new Error(text);
    error.description = text;
    return error;
}

// An object that fails loudly on any member it does not define.
function strict(label, target) {
    return new Proxy(target, {
        get(t, key) {
            if (typeof key === "symbol" || key in t) return t[key];
            throw comError(`${label}.${String(key)} is not provided by the test host`);
        },
        set(t, key, value) {
            if (!(key in t)) throw comError(`${label}.${String(key)} cannot be set in the test host`);
            t[key] = value;
            return true;
        }
    });
}

// Splits a page into its server script blocks and the text around them.
// Inline <% %> code is not something search.asp has: it is refused.
export function parsePage(text) {
    const blocks = [];
    let rest = "";
    const open = /<script\b([^>]*)>/gi;
    let at = 0;
    for (;;) {
        open.lastIndex = at;
        const m = open.exec(text);
        if (!m || !/\brunat\s*=\s*"?server"?/i.test(m[1])) {
            rest += text.substring(at);
            break;
        }
        if (!/\blanguage\s*=\s*"?(javascript|jscript)"?/i.test(m[1])) throw new Error("a server block that is not JScript");
        rest += text.substring(at, m.index);
        const end = text.toLowerCase().indexOf("</script>", open.lastIndex);
        if (end < 0) throw new Error("a server script block without its end tag");
        blocks.push({ code: text.substring(open.lastIndex, end), line: text.substring(0, open.lastIndex).split("\n").length });
        at = end + "</script>".length;
    }
    if (rest.includes("<%")) throw new Error("inline <% %> code is not supported by the test host");
    return { blocks, text: rest };
}

// Reads an ODBC connection string: KEY=VALUE pairs, a value in braces may hold ";".
function connectionValues(text) {
    const values = {};
    const pair = /\s*([^=;]+?)\s*=\s*(\{[^}]*\}|[^;]*)\s*(?:;|$)/gy;
    let m;
    while (pair.lastIndex < text.length && (m = pair.exec(text)) !== null) {
        const key = m[1].toLowerCase();
        if (!CONNECTION_KEYS.has(key)) throw comError(`[ODBC] connection string key ${m[1]} not expected`);
        values[key] = m[2].replace(/^\{|\}$/g, "");
    }
    if (pair.lastIndex < text.length) throw comError(`[ODBC] malformed connection string: ${text}`);
    return values;
}

function countPlaceholders(sql) {
    // A "?" inside a quoted literal or a quoted name is not a parameter.
    return sql.replace(/'(?:[^']|'')*'|"(?:[^"]|"")*"/g, "").split("?").length - 1;
}

// A context with the built-ins of JScript 5.8 and nothing more, as the
// page's scripts run in.
export function jscriptContext() {
    const ctx = vm.createContext({});
    vm.runInContext(`(function (removed) {
        for (var owner in removed) {
            var target = owner === "this" ? this : eval(owner);
            for (var k = 0; k < removed[owner].length; k++) delete target[removed[owner][k]];
        }
    })(${JSON.stringify(REMOVED)});`, ctx);
    // JScript's sort is not stable: elements the comparison calls equal
    // may come out in any order. Ties here come out reversed, so code
    // that leaves a tie to the sort shows its fault in every test.
    vm.runInContext(`(function (sort) {
        Array.prototype.sort = function (compare) {
            this.reverse();
            return sort.call(this, compare);
        };
    })(Array.prototype.sort);`, ctx);
    return ctx;
}

export class AspHost {
    static async create() {
        return new AspHost(await initSqlJs());
    }

    constructor(SQL) {
        this.SQL = SQL;
        this.databases = new Map();
        this.scripts = new Map();
        // Every statement run, for tests that look at what reached the database.
        this.statements = [];
        this.connections = 0;
    }

    // The database file, opened once per version of the file, as a server
    // keeps a hot file in memory.
    database(file) {
        const stat = fs.statSync(file);
        const stamp = `${stat.mtimeMs}:${stat.size}`;
        const known = this.databases.get(file);
        if (known && known.stamp === stamp) return known.db;
        known?.db.close();
        const db = new this.SQL.Database(fs.readFileSync(file));
        this.databases.set(file, { stamp, db });
        return db;
    }

    close() {
        for (const { db } of this.databases.values()) db.close();
        this.databases.clear();
    }

    // The page's scripts, compiled once per version of the file: IIS keeps
    // a compiled page in its template cache until the file changes, and
    // runs it in a fresh script state for every request (run below). A
    // version is the file's change time to the nanosecond, size and inode,
    // so reading the page's text is left to the first request after a change.
    compiled(file) {
        const stat = fs.statSync(file, { bigint: true });
        const stamp = `${stat.mtimeNs}:${stat.size}:${stat.ino}`;
        const known = this.scripts.get(file);
        if (known && known.stamp === stamp) return known;
        const text = fs.readFileSync(file, "utf8");
        const page = parsePage(text);
        const scripts = page.blocks.map((block, k) => {
            const name = `${path.basename(file)} block ${k + 1} (line ${block.line})`;
            checkJScript(block.code, name);
            return new vm.Script(block.code, { filename: name, lineOffset: block.line - 1 });
        });
        const entry = { stamp, scripts, staticText: page.text };
        this.scripts.set(file, entry);
        return entry;
    }

    #context(file, queryString, response) {
        const ctx = jscriptContext();
        const realEval = vm.runInContext("eval", ctx);
        const host = this;
        const dir = path.dirname(file);
        const globals = {
            // At the top level, where the page calls it, an indirect eval
            // runs in the same (global) scope as a direct one would.
            eval(source) {
                if (typeof source === "string") checkJScript(source, "code given to eval");
                return realEval(source);
            },
            Request: strict("Request", {
                QueryString: strict("Request.QueryString", { toString: () => queryString, valueOf: () => queryString })
            }),
            Response: response.object,
            Server: strict("Server", {
                MapPath(p) {
                    const name = String(p);
                    if (path.isAbsolute(name) || name.split(/[\\/]/).includes("..")) throw comError(`Server.MapPath: ${name}`);
                    return path.join(dir, name);
                }
            }),
            ActiveXObject: function ActiveXObject(progId) {
                switch (String(progId)) {
                case "ADODB.Connection": return host.#connection();
                case "ADODB.Command": return host.#command();
                default: throw comError(`Automation server can't create object ${progId}`);
                }
            }
        };
        for (const [name, value] of Object.entries(globals)) ctx[name] = value;
        return ctx;
    }

    #connection() {
        const host = this;
        const state = { db: null };
        return strict("Connection", {
            _state: state,
            get State() { return state.db ? 1 : 0; },
            Open(connectionString) {
                if (state.db) throw comError("Connection.Open: the connection is already open");
                const values = connectionValues(String(connectionString));
                if (values.driver !== ODBC_DRIVER) throw comError(`[ODBC] Data source name not found and no default driver specified (${values.driver})`);
                if (!values.database) throw comError("[ODBC] no database named");
                if (!fs.existsSync(values.database)) {
                    if (values.nocreat !== "1") throw comError("[ODBC] the driver would create an empty database here");
                    throw comError(`[ODBC] unable to open database file ${values.database}`);
                }
                state.db = host.database(values.database);
                host.connections++;
            },
            Close() {
                if (!state.db) throw comError("Connection.Close: the connection is not open");
                state.db = null;
            }
        });
    }

    #command() {
        const host = this;
        const parameters = [];
        const command = {
            ActiveConnection: null,
            CommandText: "",
            CommandType: 0,
            Parameters: strict("Parameters", {
                Append(p) {
                    if (!p || !p._parameter) throw comError("Parameters.Append: not a parameter");
                    parameters.push(p._parameter);
                },
                get Count() { return parameters.length; }
            }),
            CreateParameter(name, type, direction, size, value) {
                if (type !== AD_VAR_WCHAR) throw comError(`CreateParameter: type ${type} is not adVarWChar`);
                if (direction !== AD_PARAM_INPUT) throw comError(`CreateParameter: direction ${direction}`);
                if (typeof value !== "string") throw comError("CreateParameter: the value must be a string");
                if (!(Number.isInteger(size) && size >= 1 && size >= value.length)) {
                    throw comError(`CreateParameter: size ${size} for a value of ${value.length} characters`);
                }
                return strict("Parameter", { _parameter: { name: String(name), value } });
            },
            Execute() {
                const connection = command.ActiveConnection;
                const db = connection && connection._state && connection._state.db;
                if (!db) throw comError("Command.Execute: no open connection");
                if (command.CommandType !== AD_CMD_TEXT) throw comError("Command.Execute: CommandType must be adCmdText");
                const sql = String(command.CommandText);
                if (countPlaceholders(sql) !== parameters.length) {
                    throw comError(`Command.Execute: ${parameters.length} parameters for ${countPlaceholders(sql)} placeholders`);
                }
                host.statements.push({ sql, values: parameters.map((p) => p.value) });
                let rows, columns;
                const statement = db.prepare(sql);
                try {
                    statement.bind(parameters.map((p) => p.value));
                    columns = statement.getColumnNames();
                    rows = [];
                    while (statement.step()) rows.push(statement.get());
                } catch (e) {
                    throw comError(`[ODBC][SQLite] ${e.message}`);
                } finally {
                    statement.free();
                }
                return recordset(columns, rows);
            }
        };
        return strict("Command", command);
    }

    // Runs the page for the query part of an address (without "?"). Returns
    // { status, type, body } as the server would answer.
    run(file, queryString = "") {
        const page = this.compiled(file);
        const response = responseObject();
        const ctx = this.#context(file, queryString, response);
        for (const script of page.scripts) script.runInContext(ctx);
        const body = response.chunks.join("") + page.staticText;
        // Without the UTF-8 code page IIS would write the server's ANSI code page.
        if (/[^\x00-\x7f]/.test(body) && response.state.CodePage !== 65001) {
            throw new Error("non-ASCII output without Response.CodePage = 65001");
        }
        const charset = response.state.Charset;
        return { status: 200, type: "text/html" + (charset ? `; charset=${charset}` : ""), body };
    }

    // Serves the folder on 127.0.0.1: .asp pages run in this host, other
    // files as they are. Returns { origin, close(), errors }.
    async serve(root) {
        const errors = [];
        const server = http.createServer((req, res) => {
            const url = new URL(req.url, "http://127.0.0.1");
            const raw = req.url.includes("?") ? req.url.substring(req.url.indexOf("?") + 1) : "";
            const file = path.join(root, decodeURIComponent(url.pathname));
            if (url.pathname === "/favicon.ico") {
                res.writeHead(204);
                res.end();
                return;
            }
            if (!file.startsWith(root + path.sep) || !fs.existsSync(file)) {
                res.writeHead(404, { "Content-Type": "text/plain" });
                res.end("not found");
                return;
            }
            if (file.toLowerCase().endsWith(".asp")) {
                try {
                    const answer = this.run(file, raw);
                    res.writeHead(answer.status, { "Content-Type": answer.type, "Cache-Control": "no-cache" });
                    res.end(Buffer.from(answer.body, "utf8"));
                } catch (e) {
                    errors.push(e);
                    res.writeHead(500, { "Content-Type": "text/plain" });
                    res.end(String(e && e.stack));
                }
                return;
            }
            const types = { ".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8" };
            res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream", "Cache-Control": "no-cache" });
            res.end(fs.readFileSync(file));
        });
        await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
        return {
            origin: `http://127.0.0.1:${server.address().port}`,
            errors,
            close: () => new Promise((resolve) => {
                server.closeAllConnections();
                server.close(resolve);
            })
        };
    }
}

function responseObject() {
    const chunks = [];
    const state = { CodePage: 0, Charset: "" };
    const object = strict("Response", {
        get CodePage() { return state.CodePage; },
        set CodePage(value) {
            if (!Number.isInteger(value)) throw comError("Response.CodePage must be a code page number");
            state.CodePage = value;
        },
        get Charset() { return state.Charset; },
        set Charset(value) { state.Charset = String(value); },
        Write(text) {
            if (typeof text !== "string") throw comError(`Response.Write given ${typeof text}`);
            chunks.push(text);
        }
    });
    return { object, chunks, state };
}

function recordset(columns, rows) {
    let at = 0;
    let open = true;
    const check = () => {
        if (!open) throw comError("Recordset: operation is not allowed when the object is closed");
    };
    const field = (index) => {
        check();
        if (at >= rows.length) throw comError("Recordset: either BOF or EOF is True");
        const k = typeof index === "number" ? index : columns.findIndex((c) => c.toLowerCase() === String(index).toLowerCase());
        if (!(k >= 0 && k < columns.length)) throw comError(`Fields.Item: no field ${index}`);
        const value = rows[at][k];
        if (value instanceof Uint8Array) throw comError("the test host does not pass binary values");
        return strict("Field", { Value: value, Name: columns[k] });
    };
    return strict("Recordset", {
        get EOF() { check(); return at >= rows.length; },
        get BOF() { check(); return rows.length === 0; },
        Fields: strict("Fields", { Item: field, get Count() { check(); return columns.length; } }),
        MoveNext() {
            check();
            if (at >= rows.length) throw comError("Recordset: either BOF or EOF is True");
            at++;
        },
        Close() {
            check();
            open = false;
        }
    });
}
