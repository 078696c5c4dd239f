// The page's script around the game: the canvas's size, full screen, the sound's start at the first
// key press, the end of the game and a new one, and the calls the browser tests make (steps, state
// and pixels).
(function() {
  const page = document.getElementById('page');
  const canvas = document.getElementById('screen');
  const news = document.getElementById('news');
  const button = document.getElementById('fullscreen');

  // The picture keeps the 4:3 shape of the monitors it was drawn for, as large as the page allows
  // beside the on-screen controls' columns when they show (touch.js).
  const CONTROLS_WIDTH = 76;
  function fit() {
    const beside = document.body.classList.contains('controls') ? 2 * CONTROLS_WIDTH : 0;
    const width = Math.min(page.clientWidth - beside, page.clientHeight * 4 / 3);
    canvas.style.width = Math.floor(width) + 'px';
    canvas.style.height = Math.floor(width * 3 / 4) + 'px';
  }
  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  fit();

  Module.lobshotToggleFullscreen = function() {
    if (document.fullscreenElement) document.exitFullscreen();
    else if (page.requestFullscreen) page.requestFullscreen().catch(function() {});
  };
  button.addEventListener('click', function() {
    if (!button.matches(':focus-visible')) button.blur();
    Module.lobshotToggleFullscreen();
  });

  // Browsers let a page make sound only after the player has done something.
  Module.lobshotUnlockAudio = function() {
    const AudioContextClass = window.AudioContext || window.webkitAudioContext;
    if (!AudioContextClass) return;
    if (!Module.lobshotAudio) Module.lobshotAudio = new AudioContextClass();
    if (!Module.lobshotAudioPaused && Module.lobshotAudio.state !== 'running') Module.lobshotAudio.resume();
  };

  Module.lobshotScriptMs = [];
  Module.lobshotFirstFrame = function() { news.textContent = ''; };
  // At the end the page offers a new game. The game waits for it in place (Module.lobshotAnotherGame);
  // one that could not start, and the page of a room, load the page anew.
  let offered = false;
  function playAgain() {
    if (!offered) return;
    offered = false;
    const another = Module.lobshotEnded === 0 && Module.lobshotAnotherGame;
    if (!another) return location.reload();
    news.replaceChildren();
    Module.lobshotEnded = undefined;
    Module.lobshotAnotherGame = null;
    // The key or click that asked is the old game's: the new one starts after it.
    setTimeout(another, 0);
  }
  Module.lobshotShowEnd = function(status) {
    news.textContent = status === 0 ? lobshotText('The game has ended.') : lobshotText('The game could not start.');
    const again = document.createElement('button');
    again.id = 'play-again';
    again.type = 'button';
    again.textContent = status === 0 ? lobshotText('Play again') : lobshotText('Try again');
    again.addEventListener('click', playAgain);
    news.append(document.createElement('br'), again);
    again.focus();
    offered = true;
  };
  window.addEventListener('keydown', function(event) {
    if (offered && (event.code === 'Enter' || event.code === 'Space') && !event.repeat) {
      event.preventDefault();
      playAgain();
    }
  });

  // With "#seed=N&steps" in the address the game moves only by these steps.
  Module.lobshotStep = function(count) {
    return new Promise(function(resolve) {
      if (Module.lobshotEnded !== undefined) return resolve();
      Module.lobshotStepsDone = resolve;
      Module._web_add_steps(count);
      if (Module.lobshotWake) Module.lobshotWake();
    });
  };
  Module.lobshotMode = function() { return UTF8ToString(Module._lobshot_mode()); };
  // Whether the next step waits for this machine's keys (always so at one keyboard).
  Module.lobshotMine = function() { return Module._lobshot_mine() !== 0; };
  // Steps one at a time until the mode is one of `modes`, or "mine" among them holds; true when it
  // was reached within `limit` steps.
  Module.lobshotStepUntil = async function(modes, limit) {
    for (let i = 0; i < limit; ++i) {
      await Module.lobshotStep(1);
      if (Module.lobshotEnded !== undefined) return false;
      if ((modes.includes('mine') && Module.lobshotMine()) || modes.includes(Module.lobshotMode())) return true;
    }
    return false;
  };
  Module.lobshotActivate = function(active) { Module._web_activate(active ? 1 : 0); };
  Module.lobshotState = function() { return UTF8ToString(Module._lobshot_state_json()); };
  // The canvas's pixels, red, green, blue and alpha bytes row by row, in base 64.
  Module.lobshotPixels = function() {
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 8192) text += String.fromCharCode.apply(null, data.subarray(i, i + 8192));
    return {width: canvas.width, height: canvas.height, rgba: btoa(text)};
  };
})();
