// MariaDB servers of the tests' own (tests/support/mariadb-server.sh), each in a temporary folder and
// reached through its socket, with the accounts a site would make: one that writes the index and one
// that only reads it.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const script = path.join(path.dirname(fileURLToPath(import.meta.url)), "..", "support", "mariadb-server.sh");

export const WRITER_PASSWORD = "writer's secret";
export const READER_PASSWORD = "reader's secret";

export class MariaDb {
    // A started server, or the reason there is none: { server } or { missing } (its programs are not
    // installed); throws when they are but the server does not start.
    static start(dir, options = []) {
        const started = spawnSync("sh", [script, "start", dir, ...options], { encoding: "utf8" });
        if (started.status === 77) return { missing: started.stderr.trim() };
        if (started.status !== 0) throw new Error(`the MariaDB server did not start: ${started.stderr}`);
        return { server: new MariaDb(dir) };
    }

    constructor(dir) {
        this.dir = dir;
        this.socket = path.join(dir, "sock");
    }

    // Runs statements as root; the output's rows, tab-separated.
    sql(statements) {
        const run = spawnSync("mariadb", ["--no-defaults", "-S", this.socket, "-u", "root", "-N", "-B", "-e", statements],
            { encoding: "utf8" });
        if (run.status !== 0) throw new Error(`${statements}: ${run.stderr}`);
        return run.stdout;
    }

    // The database with its writing and reading accounts, the writer's password file (readable by its
    // owner only) and the reader's connection file for search.php, both outside any published folder.
    addIndexDatabase(name = "findlark") {
        this.sql(`CREATE DATABASE IF NOT EXISTS ${name};
            CREATE USER IF NOT EXISTS writer@localhost IDENTIFIED BY '${WRITER_PASSWORD.replace("'", "''")}';
            GRANT ALL ON ${name}.* TO writer@localhost;
            CREATE USER IF NOT EXISTS reader@localhost IDENTIFIED BY '${READER_PASSWORD.replace("'", "''")}';
            GRANT SELECT ON ${name}.* TO reader@localhost;`);
        const passwordFile = path.join(this.dir, "writer-password");
        fs.writeFileSync(passwordFile, WRITER_PASSWORD + "\n", { mode: 0o600 });
        const config = path.join(this.dir, "search-db.ini");
        fs.writeFileSync(config, `socket = "${this.socket}"\ndatabase = ${name}\nuser = reader\n` +
            `password = "${READER_PASSWORD}"\n`);
        return { database: name, passwordFile, config };
    }

    // The settings of a PHP profile that writes into the database and whose page reads it.
    settings({ database, passwordFile, config }) {
        return { ScriptType: 2, DatabaseType: 2, MySqlSocket: this.socket, MySqlDatabase: database,
            MySqlUser: "writer", MySqlPasswordFile: passwordFile, MySqlSearchConfig: config };
    }

    stop() {
        spawnSync("sh", [script, "stop", this.dir]);
    }
}
