// The page under a finger or a mouse: the browser kept from scrolling, zooming, going back on a
// swipe or showing its menu over the game's picture and controls (the rest of the page zooms as any
// page does); the pointer's presses, drags and wheel over the picture handed to the game in the
// picture's coordinates; and the on-screen controls beside the picture, shown on a touch screen
// from the start and for a mouse once it is used on the picture.
(function() {
  const page = document.getElementById('page');
  const canvas = document.getElementById('screen');
  const controls = document.getElementById('controls');

  // Nothing of the browser's own touch handling over the game: no scroll, pinch, double-tap zoom,
  // swipe back, long-press menu or text selection.
  const prevent = event => { if (event.cancelable) event.preventDefault(); };
  for (const type of ['touchstart', 'touchmove', 'touchend', 'gesturestart', 'gesturechange', 'dblclick'])
    document.addEventListener(type, function(event) {
      if (event.target.closest && event.target.closest('#screen, #controls')) prevent(event);
    }, {passive: false});
  document.addEventListener('contextmenu', prevent);

  // The controls show beside the picture, which makes room for them (see fit in page.js).
  function showControls() {
    if (document.body.classList.contains('controls')) return;
    document.body.classList.add('controls');
    window.dispatchEvent(new Event('resize'));
  }
  if (window.matchMedia && matchMedia('(pointer: coarse)').matches) showControls();

  // A point of the page in the picture's pixels (320 x 200; outside it is fine).
  function picture(event) {
    const box = canvas.getBoundingClientRect();
    return [Math.floor((event.clientX - box.left) * canvas.width / box.width),
            Math.floor((event.clientY - box.top) * canvas.height / box.height)];
  }
  const send = (kind, button, event) => {
    if (Module.lobshotFirstFrameAt === undefined || Module.lobshotEnded !== undefined) return;
    const [x, y] = event ? picture(event) : [0, 0];
    Module._web_pointer(kind, button, x, y);
  };
  Module.lobshotPointer = {PRESS: 0, MOVE: 1, RELEASE: 2, WHEEL: 3, LET_GO: 4, CONTROL: 5, LOOK: 6};
  const P = Module.lobshotPointer;

  // One pointer at a time works the game: the first finger down, or the mouse. The mouse's right
  // button fires and its middle one centres, as in the native game. A second finger down makes the
  // two a look around: the picture follows the point between them, and the first finger points no
  // more until it is lifted.
  const OTHER_BUTTONS = {1: 2, 2: 1};
  let active = null, activeAt = null;
  let two = null;  // a look around: the fingers' points, and the middle last sent
  const middle = ([a, b]) => [(a[0] + b[0]) / 2, (a[1] + b[1]) / 2];
  function look(dx, dy) {
    if (Module.lobshotFirstFrameAt !== undefined && Module.lobshotEnded === undefined)
      Module._web_pointer(P.LOOK, 0, dx, dy);
  }
  function lookWithTwo(event) {
    if (!two || !(event.pointerId in two.points)) return false;
    two.points[event.pointerId] = picture(event);
    const points = Object.values(two.points);
    if (points.length < 2) return true;
    const [x, y] = middle(points), dx = Math.round(x - two.sent[0]), dy = Math.round(y - two.sent[1]);
    if (dx || dy) look(dx, dy);
    two.sent = [two.sent[0] + dx, two.sent[1] + dy];
    return true;
  }
  // The press is placed on the picture before the controls, coming with a first press, move it.
  canvas.addEventListener('pointerdown', function(event) {
    event.preventDefault();
    if (event.pointerType === 'mouse' && event.button !== 0) {
      if (OTHER_BUTTONS[event.button]) send(P.PRESS, OTHER_BUTTONS[event.button], event);
    } else if (active !== null && event.pointerType === 'touch' && !two) {
      two = {points: {[active]: activeAt, [event.pointerId]: picture(event)}};
      two.sent = middle(Object.values(two.points));
      canvas.setPointerCapture(event.pointerId);
      look(0, 0);  // the first finger's aim or press stops
    } else if (active === null) {
      active = event.pointerId;
      activeAt = picture(event);
      canvas.setPointerCapture(event.pointerId);
      if (Module.lobshotUnlockAudio) Module.lobshotUnlockAudio();
      send(P.PRESS, 0, event);
    }
    showControls();
  });
  canvas.addEventListener('pointermove', function(event) {
    if (lookWithTwo(event)) return;
    if (event.pointerId === active) activeAt = picture(event);
    if (active === null ? event.pointerType === 'mouse' : event.pointerId === active) send(P.MOVE, 0, event);
  });
  const release = function(event) {
    if (two && event.pointerId in two.points) delete two.points[event.pointerId];
    if (event.pointerId !== active) return;
    active = null;
    two = null;
    send(P.RELEASE, 0, event);
  };
  canvas.addEventListener('pointerup', release);
  canvas.addEventListener('pointercancel', release);
  canvas.addEventListener('wheel', function(event) {
    event.preventDefault();
    if (event.ctrlKey) return;  // a pinch on a touchpad
    const notches = event.deltaY < 0 ? 1 : event.deltaY > 0 ? -1 : 0;
    if (notches) send(P.WHEEL, notches, event);
    showControls();
  }, {passive: false});
  window.addEventListener('blur', function() {
    active = null;
    send(P.LET_GO, 0, null);
  });

  // The controls that apply, as the game says: the aiming ones stand back (marked disabled) while
  // nobody here aims, and the answers show while a prompt asks.
  Module.lobshotControls = function(aiming, prompt) {
    for (const button of controls.querySelectorAll('.aim')) button.setAttribute('aria-disabled', String(!aiming));
    document.getElementById('control-yes').hidden = !prompt;
    document.getElementById('control-no').hidden = !prompt;
  };

  // The controls: each presses its own key of the game's through the same pointer handling, from a
  // pointer or from the keyboard (a click of no pointer: Enter or Space on the control); Fast holds
  // its key until let go, the pointer's or the keyboard's.
  for (const button of controls.querySelectorAll('button')) {
    const press = function() {
      if (Module.lobshotUnlockAudio) Module.lobshotUnlockAudio();
      send(P.CONTROL, Number(button.dataset.control), null);
    };
    button.addEventListener('pointerdown', function(event) {
      event.preventDefault();
      press();
    });
    const release = () => send(P.RELEASE, 0, null);
    if (button.id === 'control-fast') {
      for (const type of ['pointerup', 'pointercancel', 'pointerleave']) button.addEventListener(type, release);
      button.addEventListener('keydown', function(event) {
        if (['Enter', 'NumpadEnter', 'Space'].includes(event.code) && !event.repeat) press();
      });
      button.addEventListener('keyup', function(event) {
        if (['Enter', 'NumpadEnter', 'Space'].includes(event.code)) release();
      });
    } else {
      button.addEventListener('click', function(event) { if (event.detail === 0) press(); });
    }
    // Keys stay the game's: a control keeps the keyboard's focus only when the keyboard gave it.
    button.addEventListener('focus', function() { if (!button.matches(':focus-visible')) button.blur(); });
  }
})();
