// The page's replays: one opened by its link ("#replay=URL"), chosen with "Open a replay" or dropped
// on the page is played as `lobshot --replay` plays it, and at its end the page offers to play.
// (Emscripten's minifier keeps "async" only on function expressions, and drops array patterns.)
(function() {
  // A chosen file is checked by the game's replay reader at once. A good one is kept for this tab
  // while the page reloads, so that it is played from a fresh start like a linked one; a bad one
  // only brings a message, and the game on the page goes on.
  const STORED = 'lobshot-replay';
  let playing = null;  // the replay being played: {name, bytes, fromFile}
  let atEnd = false;

  const style = document.createElement('style');
  style.textContent = `
    #replay-open { position: fixed; left: 8px; bottom: 8px; font: 13px sans-serif; color: #999; background: #111;
                   border: 1px solid #333; border-radius: 4px; padding: 3px 8px; }
    #replay-open:hover, body.replay-dragging #replay-open { color: #ddd; }
    #replay-news { position: fixed; left: 50%; top: 8px; transform: translateX(-50%); max-width: 90%;
                   font: 14px sans-serif; color: #eee; background: rgba(32, 32, 32, 0.92); border: 1px solid #555;
                   border-radius: 4px; padding: 6px 10px; text-align: center; overflow-wrap: anywhere; }
    #replay-news button { margin: 6px 4px 0; font: 13px sans-serif; }`;
  document.head.appendChild(style);

  const open = document.createElement('button');
  open.id = 'replay-open';
  open.type = 'button';
  open.textContent = lobshotText('Open a replay');
  open.title = lobshotText('Watch a replay file (.lobshot-replay), or drop one on the page');
  const input = document.createElement('input');
  input.id = 'replay-file';
  input.type = 'file';
  input.accept = '.lobshot-replay';
  input.hidden = true;
  const news = document.createElement('div');
  news.id = 'replay-news';
  news.setAttribute('role', 'status');
  news.hidden = true;
  const message = document.createElement('span');
  message.id = 'replay-message';
  news.appendChild(message);
  document.body.append(open, input, news);

  // A message at the top of the page, with buttons that act and then leave it; a click on the
  // message alone puts it away.
  let fade = null;
  function say(text, buttons, seconds) {
    clearTimeout(fade);
    news.replaceChildren(message);
    message.textContent = text;
    for (const labelAndAct of buttons || []) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = labelAndAct[0];
      button.addEventListener('click', labelAndAct[1]);
      news.appendChild(button);
    }
    news.hidden = false;
    if (seconds) fade = setTimeout(function() { news.hidden = true; }, seconds * 1000);
  }
  message.addEventListener('click', function() { news.hidden = true; });

  // The fragment's options other than the replay's link.
  function otherOptions() {
    return location.hash.replace(/^#/, '').split('&').filter(o => o && !o.startsWith('replay=')).join('&');
  }

  // Reloads the page with these options: a fresh start.
  function restart(options) {
    history.replaceState(null, '', location.pathname + location.search + (options ? '#' + options : ''));
    location.reload();
  }

  // A file's bytes as text the tab's storage keeps (one character a byte) and back.
  function keep(name, bytes) {
    let text = '';
    for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    try {
      sessionStorage.setItem(STORED, JSON.stringify({name, text}));
      return true;
    } catch (error) {
      return false;
    }
  }
  function takeKept() {
    let kept = null;
    try {
      kept = JSON.parse(sessionStorage.getItem(STORED));
      sessionStorage.removeItem(STORED);
    } catch (error) {
      return null;
    }
    if (!kept || typeof kept.name !== 'string' || typeof kept.text !== 'string') return null;
    const bytes = new Uint8Array(kept.text.length);
    for (let i = 0; i < bytes.length; ++i) bytes[i] = kept.text.charCodeAt(i);
    return {name: kept.name, bytes};
  }

  // Reads a fetched replay's body, but no more than largest + 1 bytes: the reader refuses a longer
  // one all the same, as too long.
  const readAtMost = async function(response, largest) {
    const parts = [];
    let total = 0;
    const reader = response.body.getReader();
    for (;;) {
      const {done, value} = await reader.read();
      if (done) break;
      parts.push(value);
      total += value.length;
      if (total > largest) {
        reader.cancel();
        break;
      }
    }
    const bytes = new Uint8Array(Math.min(total, largest + 1));
    let at = 0;
    for (const part of parts) {
      const piece = part.subarray(0, bytes.length - at);
      bytes.set(piece, at);
      at += piece.length;
    }
    return bytes;
  };

  // The link's replay: the fetch starts at once, while the game loads; start-up waits for its bytes.
  function fetchLinked(address) {
    let url;
    try {
      url = new URL(decodeURIComponent(address), location.href);
    } catch (error) {
      say(lobshotText('The replay\'s address "%s" is not a web address.', address));
      return;
    }
    const name = url.href;
    const answered = fetch(url).then(response => ({response}), error => ({error}));
    Module.lobshotReplayName = name;
    Module.lobshotReplaySource = async function(largest) {
      const {response, error} = await answered;
      let why;
      if (error) {
        why = lobshotText('no answer came (is the address right, and does its server let other pages read it?)');
      } else if (!response.ok) {
        why = lobshotText('the server answered %s', response.status + (response.statusText ? ' ' + response.statusText : ''));
      } else {
        try {
          const bytes = await readAtMost(response, largest);
          playing = {name, bytes, fromFile: false};
          return bytes;
        } catch (failure) {
          why = lobshotText('the download broke off');
        }
      }
      say(lobshotText('The replay at %s could not be fetched: %s.', name, why));
      return null;
    };
  }

  // A file kept by the page before it reloaded comes first, else the link's.
  const kept = takeKept();
  if (kept) {
    Module.lobshotReplayName = kept.name;
    Module.lobshotReplaySource = function() {
      playing = {name: kept.name, bytes: kept.bytes, fromFile: true};
      return Promise.resolve(kept.bytes);
    };
  } else {
    const link = location.hash.replace(/^#/, '').split('&').find(o => o.startsWith('replay=') && o.length > 7);
    if (link) fetchLinked(link.slice(7));
  }

  Module.lobshotReplayRefused = function(reason) {
    playing = null;
    say(lobshotText('This replay cannot be played: %s', reason));
  };
  Module.lobshotReplayPlaying = function() {
    say(lobshotText('Watching %s: Space switches fast-forward on and off, Esc leaves it.', playing.name), [], 8);
  };

  // The viewer left the replay (Esc): the page offers to play, or to watch it again.
  function watchAgain() {
    if (!playing.fromFile) return location.reload();
    if (keep(playing.name, playing.bytes)) return location.reload();
    say(lobshotText('The replay is too long for the page to keep; open the file again.'));
  }
  const showEnd = Module.lobshotShowEnd;
  Module.lobshotShowEnd = function(status) {
    if (!playing || status !== 0) return showEnd(status);
    atEnd = true;
    say(lobshotText('The replay has ended.'),
        [[lobshotText('Play'), () => restart(otherOptions())], [lobshotText('Watch again'), watchAgain]]);
  };
  window.addEventListener('keydown', function(event) {
    if (atEnd && event.code === 'Enter' && !event.repeat) restart(otherOptions());
  });

  // Asks the game's replay reader about a file's bytes: '' when it plays them, else why not.
  function check(name, bytes) {
    const nameSize = lengthBytesUTF8(name) + 1;
    const text = Module._malloc(nameSize);
    stringToUTF8(name, text, nameSize);
    const buffer = Module._malloc(Math.max(bytes.length, 1));
    HEAPU8.set(bytes, buffer);
    const reason = UTF8ToString(Module._lobshot_check_replay(text, buffer, bytes.length));
    Module._free(buffer);
    Module._free(text);
    return reason;
  }

  const openFile = async function(file) {
    const largest = Module.lobshotLargestReplay;
    if (!file) return;
    if (largest === undefined) return say(lobshotText('The game is still loading: open the replay again in a moment.'));
    let bytes;
    try {
      bytes = new Uint8Array(await file.slice(0, largest + 1).arrayBuffer());
    } catch (error) {
      return say(lobshotText('The file %s cannot be read.', file.name));
    }
    const reason = check(file.name, bytes);
    if (reason) return say(lobshotText('This replay cannot be played: %s', reason));
    if (!keep(file.name, bytes))
      return say(lobshotText('The replay is too long for the page to keep; share it by its link.'));
    location.reload();
  };

  open.addEventListener('click', function() {
    open.blur();
    input.click();
  });
  input.addEventListener('change', function() {
    const file = input.files[0];
    input.value = '';
    openFile(file);
  });

  // A file dragged over the page may be dropped anywhere on it.
  const carriesFiles = event => event.dataTransfer && Array.from(event.dataTransfer.types).includes('Files');
  window.addEventListener('dragover', function(event) {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    document.body.classList.add('replay-dragging');
  });
  window.addEventListener('dragleave', function() { document.body.classList.remove('replay-dragging'); });
  window.addEventListener('drop', function(event) {
    document.body.classList.remove('replay-dragging');
    if (!carriesFiles(event)) return;
    event.preventDefault();
    openFile(event.dataTransfer.files[0]);
  });
})();
