// The page's connections to the relay: MQTT 5 over WebSocket through the mqtt library's browser
// build (mqtt.min.js beside the page, fetched only when a room is joined). The game's link
// (platform/web/web_relay.cpp) opens, subscribes, publishes and closes through these calls, and
// takes what each connection heard, in order, from its queue whenever it pumps; the page's line of a
// room it keeps hears whether the relay took the connection (Module.lobshotRelayHeard).
(function() {
  const clients = [];
  let library = null;

  // The library once loaded; every connection opened meanwhile waits for it.
  function withLibrary(then) {
    if (typeof mqtt !== 'undefined') return then(null);
    if (!library) {
      library = {waiting: []};
      const script = document.createElement('script');
      script.src = 'mqtt.min.js';
      script.onload = function() { library.waiting.splice(0).forEach(function(f) { f(null); }); };
      script.onerror = function() { library.waiting.splice(0).forEach(function(f) { f('no MQTT library'); }); };
      document.head.appendChild(script);
    }
    library.waiting.push(then);
  }

  // The latest word of the relay, kept for the line that may come to hear it later.
  function heard(open) {
    Module.lobshotRelayOpen = open;
    if (Module.lobshotRelayHeard) Module.lobshotRelayHeard(open);
  }

  function connect(client, options) {
    client.mqtt = mqtt.connect(client.url, options);
    client.mqtt.on('connect', function() {
      client.open = true;
      client.queue.push({kind: 'open'});
      heard(true);
    });
    client.mqtt.on('message', function(topic, payload) {
      client.queue.push({kind: 'message', topic: topic, payload: new Uint8Array(payload)});
    });
    // The relay is lost once no connection stands: a host that loses one connection while its
    // other stands connects again (its id may have been taken over) and goes on.
    const lost = function() {
      if (!client.ended && !client.lost) {
        client.lost = true;
        client.queue.push({kind: 'lost'});
        if (!clients.some(function(c) { return c.open && !c.lost && !c.ended; })) heard(false);
      }
      client.lost = true;
    };
    client.mqtt.on('close', lost);
    client.mqtt.on('error', lost);
    client.mqtt.on('offline', lost);
  }

  Module.lobshotRelay = {
    // Opens a connection to the broker's WebSocket listener at `address` (HOST:PORT), encrypted
    // when the page itself came so; the connection's number.
    open: function(address, clientId, username, keepalive, willTopic, will, willRetain) {
      const scheme = location.protocol === 'https:' ? 'wss://' : 'ws://';
      const client = {url: scheme + address, queue: [], mid: 0, ended: false, lost: false, open: false, mqtt: null};
      clients.push(client);
      withLibrary(function(failure) {
        if (client.ended) return;
        if (failure) {
          client.lost = true;
          client.queue.push({kind: 'lost'});
          return;
        }
        connect(client, {clientId: clientId, username: username, keepalive: keepalive, clean: true,
                         protocolVersion: 5, reconnectPeriod: 0, connectTimeout: 10000,
                         will: {topic: willTopic, payload: will, qos: 0, retain: willRetain}});
      });
      return clients.length;
    },
    // Asks for a topic filter; the number of the request, told back once the broker answers.
    subscribe: function(number, filter) {
      const client = clients[number - 1];
      const mid = ++client.mid;
      client.mqtt.subscribe(filter, {qos: 1}, function(error) {
        if (error) client.queue.push({kind: 'lost'});
        else client.queue.push({kind: 'subscribed', mid: mid});
      });
      return mid;
    },
    // Publishes at least once; the library keeps it until the broker has it.
    publish: function(number, topic, bytes, retain) {
      const client = clients[number - 1];
      client.mqtt.publish(topic, bytes, {qos: 1, retain: retain}, function(error) {
        if (error && !client.ended) client.queue.push({kind: 'lost'});
      });
    },
    // Ends the connection: with a goodbye once everything sent has reached the broker, or without
    // one (the broker then publishes the will).
    close: function(number, goodbye) {
      const client = clients[number - 1];
      client.ended = true;
      client.queue = [];
      if (client.mqtt) client.mqtt.end(!goodbye);
    },
    // The oldest news of the connection, or null.
    take: function(number) {
      const client = clients[number - 1];
      return client.queue.length ? client.queue.shift() : null;
    }
  };
})();
