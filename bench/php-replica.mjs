#!/usr/bin/env node
// The PHP engine on a database server with a replica, both MariaDB servers started here in temporary
// folders (the primary on a loopback port, as replication needs; the replica on its socket): the site is
// indexed into the primary, search.php reads the replica, and while the site is indexed again on the
// primary the page keeps being asked. Prints the indexing times of the SQLite file and of the server
// database (the run with its copy and swap), how many requests the replica answered during the re-index
// and how many failed (none may), how long the replica took to show the new index after the run ended,
// and search.php's request times on the replica beside those on the SQLite file.
//   node bench/php-replica.mjs [build-folder] [copies]
// Needs a build (default ./build), php-cli with php-sqlite3 and php-mysql, mariadb-server and the SQLite
// documentation (apt-get install sqlite3-doc); ten copies are about 7,700 pages.
import fs from "node:fs";
import net from "node:net";
import path from "node:path";
import { spawn } from "node:child_process";
import { fileURLToPath, pathToFileURL } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, "..");
const build = path.resolve(process.argv[2] || path.join(root, "build"));
const copies = Number(process.argv[3] || 10);
const sourceSite = process.env.FINDLARK_REAL_SITE || "/usr/share/doc/sqlite3";
const REPEATS = 5;

process.env.FINDLARK_PROGRAM_DIR = build;
const { Program, PhpServer, tempDir, addBareTemplate, BARE, resultCount } =
    await import(pathToFileURL(path.join(root, "tests/php/fixture.mjs")).href);
const { MariaDb } = await import(pathToFileURL(path.join(root, "tests/php/mariadb.mjs")).href);

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const mid = sorted.length >> 1;
    return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
};
const ms = (v) => `${v.toFixed(1).padStart(8)} ms`;
const now = () => Number(process.hrtime.bigint()) / 1e6;
const freePort = () => new Promise((resolve) => {
    const s = net.createServer().listen(0, "127.0.0.1", () => { const { port } = s.address(); s.close(() => resolve(port)); });
});
const QUERIES = ["sqlite", "database", "pragma", "virtual table", "journal mode", "foreign key",
    "create index statement", "write ahead log"];
const searchOf = (text, m = 0) => `?q=${encodeURIComponent(text).replace(/%20/g, "+")}&m=${m}`;

const work = tempDir("bench-replica");
const program = new Program();
let primary = null, replica = null, server = null, sqliteServer = null;
try {
    const site = path.join(work, "site");
    for (let i = 1; i <= copies; i++) fs.cpSync(sourceSite, path.join(site, `copy${i}`), { recursive: true });
    addBareTemplate(program);

    const port = await freePort();
    const started = MariaDb.start(path.join(work, "primary"), ["--skip-networking=0", `--port=${port}`,
        "--bind-address=127.0.0.1", "--server-id=1", "--log-bin=primary-bin", "--binlog-format=ROW"]);
    if (started.missing) throw new Error(started.missing);
    primary = started.server;
    replica = MariaDb.start(path.join(work, "replica"), ["--server-id=2", "--read-only=1"]).server;
    primary.sql("CREATE USER repl@'127.0.0.1' IDENTIFIED BY 'repl'; GRANT REPLICATION SLAVE ON *.* TO repl@'127.0.0.1';");
    replica.sql(`CHANGE MASTER TO MASTER_HOST='127.0.0.1', MASTER_PORT=${port}, MASTER_USER='repl', ` +
        "MASTER_PASSWORD='repl', MASTER_USE_GTID=slave_pos; START SLAVE;");
    // The database and its accounts are made on the primary and reach the replica as everything else does.
    const account = primary.addIndexDatabase();
    const readerConfig = path.join(work, "replica-search-db.ini");
    fs.writeFileSync(readerConfig, fs.readFileSync(account.config, "utf8").replace(primary.socket, replica.socket));
    const caughtUp = () => {
        const position = primary.sql("SELECT @@gtid_binlog_pos").trim();
        const started = now();
        replica.sql(`SELECT MASTER_GTID_WAIT('${position}', 600)`);
        return now() - started;
    };

    let t = now();
    const pages = program.index(site, { settings: { ScriptType: 2 } });
    const sqliteIndex = now() - t;
    const sqliteDir = program.make({ ScriptType: 2, SelTemplateName: BARE });
    const settings = { ...primary.settings(account), MySqlSearchConfig: readerConfig };
    t = now();
    program.index(site, { settings });
    const serverIndex = now() - t;
    const firstCatchUp = caughtUp();
    console.log(`${pages} pages; indexing into the SQLite file ${ms(sqliteIndex)}, into the server ${ms(serverIndex)} ` +
        `(${(serverIndex / sqliteIndex).toFixed(2)}x); the replica caught up ${ms(firstCatchUp)} later`);

    const serverDir = program.make({ ...settings, SelTemplateName: BARE });
    fs.rmSync(path.join(serverDir, "IndexData.mdb"));
    server = await PhpServer.start(serverDir);
    sqliteServer = await PhpServer.start(sqliteDir);

    // A page with a word of its own, which only the new index holds.
    fs.writeFileSync(path.join(site, "added.html"), "<html><head><title>Added</title></head><body>quokkaword</body></html>\n");
    const expectedBefore = new Map();
    for (const text of QUERIES) expectedBefore.set(text, resultCount((await server.get("search.php" + searchOf(text))).body));
    let answered = 0, failed = 0, running = true;
    const failures = [];
    const asking = (async () => {
        for (let k = 0; running; k++) {
            const text = QUERIES[k % QUERIES.length];
            const response = await server.get("search.php" + searchOf(text));
            const count = resultCount(response.body);
            // The old index's count, or the new one's (one page more at most).
            if (response.status === 200 && count !== null && count >= expectedBefore.get(text) &&
                count <= expectedBefore.get(text) + 1) {
                answered++;
            } else {
                failed++;
                if (failures.length < 3) failures.push(`${response.status} ${response.body.slice(0, 300)}`);
            }
        }
    })();
    t = now();
    // Started apart, so that the requests go on while it runs.
    const reindex = spawn(program.executable, ["index-folder", site, "--quiet", ...Program.settings(settings)],
        { stdio: "ignore", env: { ...process.env, XDG_CONFIG_HOME: program.config, QT_QPA_PLATFORM: "offscreen" } });
    const status = await new Promise((resolve) => reindex.on("exit", resolve));
    if (status !== 0) throw new Error(`the re-index ended with ${status}`);
    const reindexTime = now() - t;
    const catchUp = caughtUp();
    running = false;
    await asking;
    const found = resultCount((await server.get("search.php?q=quokkaword")).body);
    console.log(`re-index on the primary ${ms(reindexTime)}: the replica answered ${answered} requests meanwhile, ` +
        `${failed} failed; it showed the new index ${ms(catchUp)} after the run ended ("quokkaword": ${found} hit)`);
    if (failures.length) console.log(failures.join("\n"));

    console.log("query                      SQLite file   replica");
    const all = { sqlite: [], replica: [] };
    for (const text of QUERIES) {
        const times = { sqlite: [], replica: [] };
        for (let r = 0; r < REPEATS; r++) {
            for (const [name, s] of [["sqlite", sqliteServer], ["replica", server]]) {
                const started = now();
                await s.get("search.php" + searchOf(text));
                times[name].push(now() - started);
            }
        }
        all.sqlite.push(...times.sqlite);
        all.replica.push(...times.replica);
        console.log(`${text.padEnd(24)} ${ms(median(times.sqlite))} ${ms(median(times.replica))}`);
    }
    console.log(`median of all                ${ms(median(all.sqlite))} ${ms(median(all.replica))}`);
    const problems = [...server.problems(), ...sqliteServer.problems()];
    if (problems.length) console.log(`PHP wrote:\n${problems.join("\n")}`);
} finally {
    server?.stop();
    sqliteServer?.stop();
    replica?.stop();
    primary?.stop();
    program.remove();
    fs.rmSync(work, { recursive: true, force: true });
}
