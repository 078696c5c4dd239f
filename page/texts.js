// The page's words in the person's language, the browser's first, from the game's translations
// (lobshotTexts, made from resources/po by tools/lang): lobshotText gives one text, each "%s" in it
// replaced in turn by the values after it, and the words index.html writes in English are put in
// that language as the page starts.
function lobshotText(english, ...values) {
  const language = (navigator.language || '').slice(0, 2).toLowerCase();
  const texts = (typeof lobshotTexts === 'object' && lobshotTexts[language]) || {};
  let at = 0;
  return (texts[english] || english).replace(/%s/g, () => String(values[at++]));
}

(function() {
  function words(id, text, title) {
    const element = document.getElementById(id);
    if (!element) return;
    element.textContent = text;
    if (title) element.title = title;
  }
  words('turn', lobshotText('Turn your phone sideways to play.'));
  words('control-weapon', lobshotText('Weapon'), lobshotText('Next weapon (S)'));
  words('control-guide', lobshotText('Guide'), lobshotText('Angle guide (F2)'));
  words('control-help', lobshotText('Help'), lobshotText('Help (F1)'));
  words('control-yes', lobshotText('Yes'), lobshotText('Yes (Shift+Y)'));
  words('control-fire', lobshotText('Fire'), lobshotText('Fire (Space)'));
  words('control-centre', lobshotText('Centre'), lobshotText('Centre on the tank (C)'));
  words('control-fast', lobshotText('Fast'), lobshotText('Fast-forward a shot while held (Tab)'));
  words('control-no', lobshotText('No'), lobshotText('No (Esc)'));
  words('fullscreen', lobshotText('Full screen'), lobshotText('Full screen (F11 or Alt+Enter)'));
  words('loading-text', lobshotText('Loading Lobshot') + '\u2026');
  words('loading-retry', lobshotText('Try again'));
  const screen = document.getElementById('screen');
  if (screen) screen.setAttribute('aria-label', lobshotText('Lobshot, played with the keyboard'));
})();
