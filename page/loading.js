// The page's loading, run before the game's runtime starts: the WebAssembly fetched with a progress
// bar, and a message with a retry button when it cannot be fetched; a page opened from a file only
// explains that it must be served.
(function() {
  const box = document.getElementById('loading');
  const bar = document.getElementById('loading-bar');
  const text = document.getElementById('loading-text');
  const retry = document.getElementById('loading-retry');

  // "How to" for a page opened from the disc: browsers fetch nothing beside such a page.
  const SERVE = lobshotText('Lobshot must be served by a web server to run: run scripts/web.sh in its ' +
                            'source folder, or publish the folder build-web/site with any static web ' +
                            'server (for instance "python3 -m http.server" in that folder) and open the ' +
                            'address it gives.');

  function fail(message, canRetry) {
    box.classList.add('failed');
    bar.hidden = true;
    text.textContent = message;
    retry.hidden = !canRetry;
  }

  // The WebAssembly's response, and a count of its bytes as they arrive that moves the bar. The size
  // comes from the response's length when the server sends it uncompressed; otherwise the bar only
  // moves.
  async function fetchWasm(file) {
    const response = await fetch(file, {credentials: 'same-origin'});
    if (!response.ok) throw new Error('the server answered ' + response.status + ' for index.wasm');
    const length = response.headers.get('Content-Encoding') ? 0 : Number(response.headers.get('Content-Length'));
    let received = 0;
    return {response: response, count: function(part) {
      received += part.length;
      if (length > 0) bar.value = Math.min(received / length, 1);
    }};
  }

  // The game compiled as its bytes arrive, apart from the page's thread; a browser that cannot
  // compile a stream compiles the bytes once they have all arrived.
  async function instantiate(file, imports) {
    const fetched = await fetchWasm(file);
    const body = fetched.response.body;
    if (WebAssembly.instantiateStreaming && window.TransformStream && body) {
      const counted = body.pipeThrough(new TransformStream({transform: function(part, next) {
        fetched.count(part);
        next.enqueue(part);
      }}));
      return WebAssembly.instantiateStreaming(new Response(counted, {headers: {'Content-Type': 'application/wasm'}}),
                                              imports);
    }
    if (!body) return WebAssembly.instantiate(await fetched.response.arrayBuffer(), imports);
    const reader = body.getReader();
    const parts = [];
    for (;;) {
      const next = await reader.read();
      if (next.done) break;
      parts.push(next.value);
      fetched.count(next.value);
    }
    const bytes = new Uint8Array(parts.reduce((sum, part) => sum + part.length, 0));
    let at = 0;
    for (const part of parts) {
      bytes.set(part, at);
      at += part.length;
    }
    return WebAssembly.instantiate(bytes, imports);
  }

  // Fetches and compiles the game, then starts it in a task of its own, so that the browser paints
  // and answers between the two; on a failure the retry button tries again in place, as the
  // runtime still waits for the game.
  Module.instantiateWasm = function(imports, receive) {
    if (location.protocol === 'file:') {
      fail(SERVE, false);
      return {};
    }
    const attempt = function() {
      box.classList.remove('failed');
      bar.hidden = false;
      bar.removeAttribute('value');
      retry.hidden = true;
      text.textContent = lobshotText('Loading Lobshot') + '\u2026';
      instantiate(locateFile('index.wasm'), imports)
        .then(result => {
          box.hidden = true;
          setTimeout(function() { receive(result.instance, result.module); }, 0);
        }, error => {
          fail(lobshotText('Lobshot could not be loaded (%s). Check the connection and try again.',
                           error && error.message || error), true);
        });
    };
    retry.onclick = attempt;
    attempt();
    return {};
  };
})();
