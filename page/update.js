// The notice of a new version: once the service worker of a newer version (sw.js) has its files
// and waits for the pages of the old one to close, a line at the top of the page offers to reload.
// A click, a tap or Enter on it asks the new worker to take over and loads the page anew from it.
(function() {
  if (!('serviceWorker' in navigator) || location.protocol === 'file:') return;
  const workers = navigator.serviceWorker;
  let notice = null;
  let asked = false;

  // The worker may have taken over already, asked by another of the player's pages: then the
  // reload alone brings the new version.
  function takeOver(worker) {
    if (asked) return;
    asked = true;
    if (worker.state === 'installed') worker.postMessage('take-over');
    else location.reload();
  }
  workers.addEventListener('controllerchange', function() { if (asked) location.reload(); });

  // Taps are taken as the pointer lets go, as the page keeps touches from becoming clicks (touch.js);
  // Enter goes no further than the notice, so that the game never hears it.
  function offer(worker) {
    if (notice || !workers.controller) return;
    notice = document.createElement('button');
    notice.id = 'new-version';
    notice.type = 'button';
    notice.textContent = lobshotText('A new version is ready: reload');
    notice.style.cssText = 'position: fixed; top: 8px; left: 50%; transform: translateX(-50%); z-index: 20; ' +
                           'font: 14px sans-serif; color: #eee; background: #1c1a3a; border: 1px solid #55508a; ' +
                           'border-radius: 6px; padding: 6px 12px; cursor: pointer;';
    notice.addEventListener('click', function() { takeOver(worker); });
    notice.addEventListener('pointerup', function() { takeOver(worker); });
    notice.addEventListener('keydown', function(event) {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      event.stopPropagation();
      takeOver(worker);
    });
    document.body.appendChild(notice);
  }

  function watch(worker) {
    if (worker.state === 'installed') return offer(worker);
    worker.addEventListener('statechange', function() { if (worker.state === 'installed') offer(worker); });
  }
  workers.ready.then(function(registration) {
    if (registration.waiting) offer(registration.waiting);
    if (registration.installing) watch(registration.installing);
    registration.addEventListener('updatefound', function() { watch(registration.installing); });
  });
})();
