// Runs a WASI command module under Node, with standard input, output and
// error and the arguments after its path; exits with the module's status.
//   node --no-warnings --experimental-wasi-unstable-preview1 wasi_run.mjs program.wasm [args...]
import { readFile } from 'node:fs/promises';
import { argv, exit } from 'node:process';
import { WASI } from 'node:wasi';

const wasi = new WASI({ version: 'preview1', args: argv.slice(2), env: {}, returnOnExit: true });
const module = await WebAssembly.compile(await readFile(argv[2]));
const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
exit(wasi.start(instance));
