// The page's part of an online room around the game (platform/web/web_room.cpp asks for it): its
// person's name, asked once and kept in the page's storage; the chat field; the line of the page
// that keeps a room, with the warning before it closes; and the timer that keeps such a page awake
// in a background tab.
(function() {
  const NAME_KEY = 'lobshot-name';

  // Keys typed into the room's fields are the field's, never the game's (which listens on the
  // window, where they would arrive next).
  function ownKeys(element) {
    for (const type of ['keydown', 'keyup', 'keypress']) element.addEventListener(type, event => event.stopPropagation());
  }

  function make(tag, properties, parent) {
    const element = Object.assign(document.createElement(tag), properties);
    if (parent) parent.appendChild(element);
    return element;
  }

  // A form of one field and a button, over the page; `sent` has the field's text when it is sent.
  function fieldForm(id, label, maxLength, button, sent) {
    const form = make('form', {id: id, className: 'room'}, document.body);
    const input = make('input', {id: id + '-text', type: 'text', maxLength: maxLength, autocomplete: 'off',
                                 enterKeyHint: 'send'});
    make('label', {htmlFor: input.id, textContent: label}, form);
    form.appendChild(input);
    make('button', {type: 'submit', textContent: button}, form);
    ownKeys(input);
    form.addEventListener('submit', function(event) {
      event.preventDefault();
      sent(input.value, input);
      // The game has the keys again, not the field nor its button.
      if (form.contains(document.activeElement)) document.activeElement.blur();
    });
    return {form: form, input: input};
  }

  // Browsers slow a background page's timers to one a second, and later one a minute, but not a
  // worker's: a page keeping a room times its waits there, so that the game goes on for the others.
  let worker = null;
  const waiting = new Map();
  let nextWait = 0;
  function workerTimer(then, ms) {
    if (!worker) {
      const source = 'onmessage = function(e) { setTimeout(function() { postMessage(e.data[0]); }, e.data[1]); };';
      worker = new Worker(URL.createObjectURL(new Blob([source], {type: 'text/javascript'})));
      worker.onmessage = function(event) {
        const due = waiting.get(event.data);
        waiting.delete(event.data);
        if (due) due();
      };
    }
    waiting.set(++nextWait, then);
    worker.postMessage([nextWait, ms]);
  }
  Module.lobshotTimer = function(then, ms) {
    if (Module.lobshotKeepAwake) workerTimer(then, ms);
    else setTimeout(then, ms);
  };

  // A room's link tapped is shared (a phone's share sheet) or copied, rather than opened here.
  function offer(link) {
    link.addEventListener('click', function(event) {
      event.preventDefault();
      if (navigator.share) return navigator.share({title: 'Lobshot', url: link.href}).catch(function() {});
      if (!navigator.clipboard) return;
      const name = link.textContent;
      navigator.clipboard.writeText(link.href).then(function() {
        link.textContent = lobshotText('Copied');
        setTimeout(function() { link.textContent = name; }, 2000);
      }, function() {});
    });
  }

  function stored() {
    try { return localStorage.getItem(NAME_KEY); } catch (e) { return null; }
  }

  Module.lobshotRoom = {
    // The kept name, or the one typed when asked (empty: none), to `done`.
    askName: function(done) {
      const kept = stored();
      if (kept !== null) return done(kept);
      const asked = fieldForm('name', lobshotText('Your name for online games'), 16, lobshotText('Play'), function(text) {
        asked.form.remove();
        done(text);
      });
      asked.input.focus();
    },
    keepName: function(name) {
      try { localStorage.setItem(NAME_KEY, name); } catch (e) { /* a page without storage asks each time */ }
    },
    showChat: function() {
      if (document.getElementById('chat')) return;
      fieldForm('chat', lobshotText('Chat'), 80, lobshotText('Send'), function(text, input) {
        if (!text.trim()) return;
        Module.ccall('web_chat', null, ['string'], [text]);
        input.value = '';
      });
    },
    // The line of the page keeping room `code`: opening until the relay takes it, then the room's
    // links; closing the page ends the room, so the browser asks first. A relay that cannot be
    // reached, or is lost, is said plainly.
    showHosting: function(code, invite, watch) {
      const line = make('div', {id: 'hosting', className: 'room', textContent: lobshotText('Opening room %s', code) + '\u2026'},
                        document.body);
      line.setAttribute('role', 'status');
      let opened = false;
      Module.lobshotRelayHeard = function(open) {
        if (!open) {
          line.textContent = opened ? lobshotText('The relay was lost: the room has ended.')
                                    : lobshotText('The relay cannot be reached: no one can join this room.');
          return;
        }
        opened = true;
        line.replaceChildren();
        make('span', {textContent: lobshotText('Room %s', code) + ' \u00b7 '}, line);
        offer(make('a', {id: 'invite-link', href: invite, textContent: lobshotText('Invite link')}, line));
        make('span', {textContent: ' \u00b7 '}, line);
        offer(make('a', {id: 'watch-link', href: watch, textContent: lobshotText('Watch link')}, line));
        make('span', {textContent: ' \u00b7 ' + lobshotText('Closing this page ends the room.')}, line);
      };
      if (Module.lobshotRelayOpen !== undefined) Module.lobshotRelayHeard(Module.lobshotRelayOpen);
      window.addEventListener('beforeunload', function(event) {
        event.preventDefault();
        event.returnValue = '';
      });
    }
  };
})();
