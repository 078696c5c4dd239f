// The page as an app people keep: its service worker (the page's files kept for playing offline,
// see sw.js) and, when the page is framed inside another, "Click to play" until the game has the
// focus, as the game hears no keys and stands still without it.
(function() {
  // Registered once the page has loaded, so that it never competes with the game's own download.
  function register() {
    navigator.serviceWorker.register('sw.js').catch(function() {});
  }
  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    if (document.readyState === 'complete') register();
    else window.addEventListener('load', register);
  }

  if (window.top === window.self) return;
  const cover = document.createElement('button');
  cover.id = 'click-to-play';
  cover.type = 'button';
  cover.textContent = lobshotText('Click to play');
  document.body.appendChild(cover);
  function update() { cover.hidden = document.hasFocus(); }
  cover.addEventListener('click', function() {
    window.focus();
    cover.blur();
    cover.hidden = true;
  });
  window.addEventListener('focus', update);
  window.addEventListener('blur', update);
  update();
})();
