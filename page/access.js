// The page from the keyboard alone: Tab and Shift+Tab go from the picture to each control of the
// page and back, and Enter or Space on a control is that control's. The game, which hears keys on
// the window, never hears these: they stop at the document on their way there. While a shot is
// under way, Tab held on the picture is the game's (it fast-forwards the shot), and the game always
// hears Tab let go, so that it never stays held.
(function() {
  function shotUnderWay() {
    return typeof Module !== 'undefined' && Module.lobshotMode && Module.lobshotMode() === 'ShotInProgress';
  }
  function pageKey(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return false;
    if (event.code === 'Tab') {
      const onControl = event.target.matches && event.target.matches('button, a[href], input');
      return event.type !== 'keyup' && (onControl || !shotUnderWay());
    }
    return ['Enter', 'NumpadEnter', 'Space'].includes(event.code) && event.target.matches &&
           event.target.matches('button, a[href]');
  }
  for (const type of ['keydown', 'keypress', 'keyup'])
    document.addEventListener(type, function(event) { if (pageKey(event)) event.stopPropagation(); });
})();
