// make serve: serves a folder (build-web/site) on 127.0.0.1 and prints the
// address. Only files under the folder are served; .wasm goes out as
// application/wasm, which WebAssembly's streaming compilation expects.
//   node serve.mjs FOLDER [PORT]    (PORT 0 picks a free one; default 8000)
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize, resolve, sep } from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.mjs': 'text/javascript; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8', '.wasm': 'application/wasm', '.png': 'image/png', '.json': 'application/json',
};

export function serve(folder, port, host = '127.0.0.1') {
  const root = resolve(folder);
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    let file = normalize(join(root, path));
    if (file !== root && !file.startsWith(root + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      if (statSync(file).isDirectory()) file = join(file, 'index.html');
      const size = statSync(file).size;
      response.writeHead(200, { 'content-type': TYPES[extname(file)] ?? 'application/octet-stream',
        'content-length': size, 'cache-control': 'no-store' });
      createReadStream(file).pipe(response);
    } catch {
      response.writeHead(404, { 'content-type': 'text/plain' }).end(`${path}: not found\n`);
    }
  });
  return new Promise((resolvePromise, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolvePromise(server));
  });
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const [folder, port = '8000'] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  try {
    statSync(join(folder, 'index.html'));
  } catch {
    console.error(`${folder}/index.html not found: run make web first`);
    process.exit(1);
  }
  const server = await serve(folder, Number(port)).catch((e) => {
    console.error(`cannot listen on 127.0.0.1:${port}: ${e.code ?? e.message} (make serve PORT=... picks another)`);
    process.exit(1);
  });
  console.log(`Serving ${folder} at http://127.0.0.1:${server.address().port}/ (Ctrl-C stops)`);
}
