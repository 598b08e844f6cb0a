/*
 * Kitebrook pages: what every page shares.
 *
 * - KB.send(name, ...args): queues a command for the host. Commands go out one
 *   at a time: the next one leaves only when the host has called
 *   kbCommandDone(name) for the previous one, or after a fallback timeout,
 *   because two navigations started back to back would cancel each other.
 * - KB.whenIdle(): a promise that settles once the queue is empty.
 * - KB.readConfig(): reads KBConfig.xml through the host (which leaves the
 *   password out) and returns a plain model of its users, sites and settings.
 * - Pictures, site addresses and text checks shared by the pages.
 */
(function (global) {
  "use strict";

  var COMMAND_TIMEOUT_MS = 3000;

  var queue = [];
  var current = null; // { name, resolve, timer } of the command in flight
  var idleWaiters = [];

  // Characters that cannot travel inside a command: the comma separates
  // arguments and '#' would cut the address at a fragment.
  var FORBIDDEN = /[,#]/;
  var CONTROL_CHARS = /[\u0000-\u001f\u007f]/;

  function argumentProblem(text) {
    if (FORBIDDEN.test(text)) return "Please leave out commas (,) and # signs.";
    if (CONTROL_CHARS.test(text)) return "Please use only ordinary letters, digits and signs.";
    return null;
  }

  function settleIdleWaiters() {
    if (current || queue.length) return;
    var waiters = idleWaiters;
    idleWaiters = [];
    waiters.forEach(function (resolve) {
      resolve();
    });
  }

  function finishCurrent() {
    if (!current) return;
    clearTimeout(current.timer);
    var resolve = current.resolve;
    current = null;
    resolve();
    pump();
  }

  function pump() {
    if (current) return;
    if (!queue.length) {
      settleIdleWaiters();
      return;
    }
    var next = queue.shift();
    current = {
      name: next.name,
      resolve: next.resolve,
      timer: setTimeout(finishCurrent, COMMAND_TIMEOUT_MS),
    };
    global.location.href = "vbcontainer:" + next.name + "(" + next.args.join(",") + ")";
  }

  // Queues one command; the promise settles when the host has run it.
  function send(name) {
    var args = Array.prototype.slice.call(arguments, 1).map(String);
    args.forEach(function (arg) {
      var problem = argumentProblem(arg);
      if (problem) throw new Error("Command " + name + " refused: " + problem);
    });
    return new Promise(function (resolve) {
      queue.push({ name: name, args: args, resolve: resolve });
      pump();
    });
  }

  function whenIdle() {
    return new Promise(function (resolve) {
      idleWaiters.push(resolve);
      settleIdleWaiters();
    });
  }

  function isBusy() {
    return current !== null || queue.length > 0;
  }

  // The host calls this after every command sent from the content area.
  global.kbCommandDone = function (name) {
    if (current && String(name).toUpperCase() === current.name.toUpperCase()) finishCurrent();
  };

  // ---- Reading KBConfig.xml -------------------------------------------------

  function childElement(parent, name) {
    if (!parent) return null;
    for (var node = parent.firstElementChild; node; node = node.nextElementSibling) {
      if (node.localName === name) return node;
    }
    return null;
  }

  function childElements(parent, name) {
    var found = [];
    if (!parent) return found;
    for (var node = parent.firstElementChild; node; node = node.nextElementSibling) {
      if (node.localName === name) found.push(node);
    }
    return found;
  }

  function childText(parent, name) {
    var element = childElement(parent, name);
    return element ? element.textContent : "";
  }

  // Two ID texts name the same entry when they have the same numeric value,
  // as the host's path queries compare them; other texts must match exactly.
  var NUMBER = /^\s*[+-]?(\d+(\.\d*)?|\.\d+)\s*$/;
  function sameId(a, b) {
    if (NUMBER.test(a) && NUMBER.test(b)) return Number(a) === Number(b);
    return a === b;
  }

  // The hosts of an AlsoAllow or ApprovedHosts list.
  function hostList(parent) {
    return childElements(parent, "Host").map(function (host) {
      return host.textContent.trim();
    }).filter(function (host) {
      return host !== "";
    });
  }

  function parseConfig(text) {
    var doc = new DOMParser().parseFromString(text, "application/xml");
    var root = doc.documentElement;
    if (!root || root.localName !== "KBConfig" || doc.getElementsByTagName("parsererror").length) {
      throw new Error("KBConfig.xml is not a Kitebrook configuration");
    }
    var settings = childElement(root, "Settings");
    var pwd = childElement(settings, "Pwd");
    var users = childElements(childElement(root, "Users"), "User").map(function (user) {
      return {
        name: childText(user, "Name"),
        image: childText(user, "Image"),
        id: childText(user, "ID").trim(),
        approvedHosts: hostList(childElement(user, "ApprovedHosts")),
      };
    });
    var sites = childElements(childElement(root, "WebSites"), "WebSite").map(function (site) {
      return {
        label: childText(site, "Label"),
        image: childText(site, "Image"),
        target: childText(site, "Target"),
        id: childText(site, "ID").trim(),
        allowed: childElements(childElement(site, "AllowedUsers"), "User").map(function (user) {
          return childText(user, "ID").trim();
        }),
        alsoAllow: hostList(childElement(site, "AlsoAllow")),
      };
    });
    var allUsers = users.filter(function (user) {
      return user.name === "AllUsers";
    })[0];
    return {
      allUsersId: allUsers ? allUsers.id : null,
      children: users.filter(function (user) {
        return user.name !== "AllUsers";
      }),
      sites: sites,
      settings: {
        // The host hands the pages Pwd without its text, marked set="Yes"
        // when a password is set.
        pwdSet: pwd !== null && pwd.getAttribute("set") === "Yes",
        printAllowed: childText(settings, "PrintAllowed") === "Yes",
        printLimit: childText(settings, "PrintLimit").trim(),
        pwdExit: childText(settings, "PwdExit") === "Yes",
        stayOnSites: childText(settings, "StayOnSites").trim() === "Yes",
        hasStayOnSites: childElement(settings, "StayOnSites") !== null,
      },
    };
  }

  // Reads the configuration afresh from the host (the query defeats
  // caching); the host leaves the password out. Success is judged by the
  // text that came back.
  function readConfig() {
    return new Promise(function (resolve, reject) {
      var request = new XMLHttpRequest();
      request.open("GET", "kitebrook://config/KBConfig.xml?t=" + Date.now());
      request.onload = function () {
        var okStatus = request.status === 0 || (request.status >= 200 && request.status < 300);
        if (!okStatus || !request.responseText) {
          reject(new Error("KBConfig.xml could not be read"));
          return;
        }
        try {
          resolve(parseConfig(request.responseText));
        } catch (error) {
          reject(error);
        }
      };
      request.onerror = function () {
        reject(new Error("KBConfig.xml could not be read"));
      };
      request.send();
    });
  }

  function userById(config, id) {
    return config.children.filter(function (user) {
      return sameId(user.id, id);
    })[0];
  }

  function userByName(config, name) {
    return config.children.filter(function (user) {
      return user.name === name;
    })[0];
  }

  function siteById(config, id) {
    return config.sites.filter(function (site) {
      return sameId(site.id, id);
    })[0];
  }

  function siteAllows(site, userId) {
    if (userId === null || userId === undefined) return false;
    return site.allowed.some(function (id) {
      return sameId(id, userId);
    });
  }

  // The sites a child sees: those offered to the child or to everybody.
  function sitesFor(config, userName) {
    var user = userByName(config, userName);
    return config.sites.filter(function (site) {
      return (user && siteAllows(site, user.id)) || siteAllows(site, config.allUsersId);
    });
  }

  // ---- Pictures and addresses ----------------------------------------------

  var DEFAULT_PICTURE = { child: "Images/default-child.svg", site: "Images/default-site.svg" };

  function encodePath(path) {
    return encodeURI(path).replace(/#/g, "%23").replace(/\?/g, "%3F");
  }

  // An Image text is either an absolute path (written once the set-up
  // wizard has finished) or a file name in Data/Images/.
  function pictureSrc(image, kind) {
    var text = (image || "").trim();
    if (!text) return DEFAULT_PICTURE[kind];
    if (text.charAt(0) === "/") return "file://" + encodePath(text);
    if (/^file:\/\//i.test(text)) return text;
    return "Images/" + encodePath(text);
  }

  // The plain file name of a picture in our own Images folder, or "" when
  // the Image text names some other file.
  function pictureFileName(image) {
    var text = (image || "").trim();
    var match = /(?:^|[\/\\])Images[\/\\]+([^\/\\]+)$/.exec(text);
    if (match) return match[1];
    return /[\/\\]/.test(text) ? "" : text;
  }

  function pictureElement(image, kind, alt) {
    var img = document.createElement("img");
    img.alt = alt || "";
    img.src = pictureSrc(image, kind);
    img.addEventListener("error", function onError() {
      img.removeEventListener("error", onError);
      img.src = DEFAULT_PICTURE[kind];
    });
    return img;
  }

  // Targets are stored without "http://"; anything that does not start with
  // one of the schemes below is a plain address that needs it back. Other
  // schemes (javascript:, our own command scheme) never become links.
  var LINK_SCHEME = /^(https?|ftp|file):\/\//i;
  function siteHref(target) {
    var text = (target || "").trim();
    return LINK_SCHEME.test(text) ? text : "http://" + text;
  }

  // ---- Password forms --------------------------------------------------------

  // Wires a form holding a #pwd field and a #pwd-error line: submitting it
  // hands the typed text to sendPassword (which answers the send's promise),
  // one send at a time; text no stored password can hold is refused on the
  // page. Answers { once(sendOther), error } so that the page's other
  // buttons send through the same one-at-a-time guard.
  function passwordForm(form, sendPassword) {
    var field = form.querySelector("#pwd");
    var error = form.querySelector("#pwd-error");
    var sending = false;
    function once(sendIt) {
      if (sending) return;
      sending = true;
      sendIt().then(function () {
        sending = false;
      });
    }
    form.addEventListener("submit", function (event) {
      event.preventDefault();
      if (sending) return;
      var typed = field.value;
      // A stored password never holds these, so the typed one cannot match.
      var problem = argumentProblem(typed);
      if (problem) {
        error.textContent = "That is not the password. " + problem;
        error.hidden = false;
        field.select();
        return;
      }
      once(function () {
        return sendPassword(typed, field, error);
      });
    });
    field.focus();
    return { once: once, error: error };
  }

  // ---- Small DOM helper ------------------------------------------------------

  // el("p", { class: "x", id: "y" }, "text", otherNode)
  function el(tag, attributes) {
    var node = document.createElement(tag);
    Object.keys(attributes || {}).forEach(function (key) {
      var value = attributes[key];
      if (value === null || value === undefined || value === false) return;
      if (key === "text") node.textContent = value;
      else if (key.slice(0, 2) === "on") node.addEventListener(key.slice(2), value);
      else if (value === true) node.setAttribute(key, "");
      else node.setAttribute(key, value);
    });
    for (var i = 2; i < arguments.length; i++) {
      var child = arguments[i];
      if (child === null || child === undefined) continue;
      node.appendChild(typeof child === "string" ? document.createTextNode(child) : child);
    }
    return node;
  }

  global.KB = {
    send: send,
    whenIdle: whenIdle,
    isBusy: isBusy,
    argumentProblem: argumentProblem,
    passwordForm: passwordForm,
    readConfig: readConfig,
    parseConfig: parseConfig,
    sameId: sameId,
    userById: userById,
    userByName: userByName,
    siteById: siteById,
    siteAllows: siteAllows,
    sitesFor: sitesFor,
    pictureSrc: pictureSrc,
    pictureFileName: pictureFileName,
    pictureElement: pictureElement,
    siteHref: siteHref,
    el: el,
  };
})(window);
