// The page from the keyboard alone: Tab and Shift+Tab go from the picture to each control of the
// page and back, and Enter or Space on a control is that control's. The game, which hears keys on
// the window, never hears these: they stop at the document on their way there.
(function() {
  function pageKey(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return false;
    if (event.code === 'Tab') return true;
    return ['Enter', 'NumpadEnter', 'Space'].includes(event.code) && event.target.matches &&
           event.target.matches('button, a[href]');
  }
  for (const type of ['keydown', 'keypress', 'keyup'])
    document.addEventListener(type, function(event) { if (pageKey(event)) event.stopPropagation(); });
})();
