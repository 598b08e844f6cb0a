/*
 * The grown-ups' editors, shared by KBConfigmain.htm and the set-up wizard.
 * A page names the editors it has with placeholders; start() builds each
 * editor's markup into its placeholder and then wires it:
 *
 *   <section class="card" id="children" data-editor="children">
 *     <h2 id="children-title">Children</h2>     (the page's own words stay)
 *   </section>
 *
 * The editor's list and form go after what the placeholder already holds.
 * Options, as attributes of the placeholder:
 *   data-autofocus       the form's first field takes the focus
 *   data-save-label      the text of the save button (password, settings)
 *   data-new-label, data-repeat-label, data-hint   the password's field
 *                        labels and a hint under the first field
 * An element of the placeholder marked data-before-actions moves into the
 * form, just above its buttons. <ol class="progress" data-step="N"> gets the
 * wizard's steps, step N marked as the current one.
 *
 * Ids of the editors:
 *   children:  #children-list, #user-form, #user-name, #user-pictures,
 *              #user-save, #user-cancel, #user-form-title, #user-error,
 *              #user-status
 *   sites:     #sites-list, #site-form, #site-label, #site-address,
 *              #site-also-allow, #site-pictures, #site-offers, #site-save, #site-cancel,
 *              #site-form-title, #site-error, #site-status
 *   password:  #pwd-form, #pwd-new, #pwd-repeat, #pwd-save, #pwd-error,
 *              #pwd-status (and #pwd-hint with data-hint)
 *   settings:  #settings-form, #settings-print, #settings-pages,
 *              #settings-pages-hint, #settings-exit-pwd, #settings-stay,
 *              #settings-stay-hint, #settings-save, #settings-error, #settings-status
 *   leaving:   #exit-config (sends EXIT_CONFIG), [data-leave] links
 *   #load-error shows when KBConfig.xml cannot be read.
 *
 * Ids made for each entry (ID = the child's or the site's ID):
 *   user-pic-NAME, site-pic-NAME (picture radios, NAME = file name without
 *   ".svg"); user-edit-ID, user-remove-ID, user-remove-yes-ID,
 *   user-remove-no-ID; site-edit-ID, site-remove-ID, site-remove-yes-ID,
 *   site-remove-no-ID; site-ID-all and site-ID-user-UID (who may see a
 *   site); site-offer-all and site-offer-UID (who may see a new site).
 *
 * Every change is sent as commands through KB.send; once the host has run
 * them the page reads KBConfig.xml again and shows what the file now holds.
 */
(function (global) {
  "use strict";

  var el = KB.el;
  var MAX_PAGES = 32767;
  var state = {
    config: null,
    editingUserId: null,
    editingSiteId: null,
    confirmUserId: null,
    confirmSiteId: null,
    onRender: null,
    refocusId: null,
    leaveWarned: false,
  };

  function $(id) {
    return document.getElementById(id);
  }

  function idPart(text) {
    return String(text).replace(/[^A-Za-z0-9_-]/g, "_");
  }

  // IDs go into commands only as plain decimal numbers.
  function usableId(id) {
    return /^\d+$/.test(id);
  }

  function pictureBase(file) {
    return idPart(file.replace(/\.[^.]*$/, ""));
  }

  function showStatus(id, text, isError) {
    var node = $(id);
    if (!node) return;
    node.textContent = text;
    node.classList.toggle("error", !!isError);
  }

  function showFieldError(errorId, field, text) {
    var node = $(errorId);
    if (node) {
      node.textContent = text || "";
      node.hidden = !text;
    }
    [].concat(field || []).forEach(function (input) {
      if (!input) return;
      if (text) input.setAttribute("aria-invalid", "true");
      else input.removeAttribute("aria-invalid");
    });
    if (text && field) [].concat(field)[0].focus();
  }

  // ---- Editors' markup -------------------------------------------------------

  // A labelled text field with an optional hint under it.
  function field(labelText, input, hintNode) {
    return el("div", { class: "field" }, el("label", { for: input.id, text: labelText }), input, hintNode);
  }

  function hint(text, id) {
    return el("span", { class: "hint", id: id, text: text });
  }

  function checkField(input, text) {
    return el("label", { class: "check", for: input.id }, input, " " + text);
  }

  function pictureFieldset(gridId) {
    return el("fieldset", {}, el("legend", { text: "Picture" }), el("div", { class: "picture-grid", id: gridId }));
  }

  function errorLine(id) {
    return el("p", { class: "error", id: id, role: "alert", hidden: true });
  }

  function statusLine(id) {
    return el("p", { class: "status", id: id, role: "status" });
  }

  function form(id) {
    var node = el("form", { id: id, novalidate: true, autocomplete: "off" });
    for (var i = 1; i < arguments.length; i++) node.appendChild(arguments[i]);
    return node;
  }

  function saveButton(id, text) {
    return el("button", { type: "submit", class: "btn btn-primary", id: id, text: text });
  }

  function cancelButton(id) {
    return el("button", { type: "button", class: "btn", id: id, hidden: true, text: "Cancel" });
  }

  var editorMarkup = {
    children: function (options) {
      return [
        el("ul", { class: "entries", id: "children-list", "aria-label": "Children" }),
        form("user-form",
          el("h3", { id: "user-form-title", text: "Add a child" }),
          field("Name", el("input", {
            type: "text", id: "user-name", maxlength: "40", "aria-describedby": "user-error",
            autofocus: options.autofocus,
          })),
          pictureFieldset("user-pictures"),
          errorLine("user-error"),
          el("div", { class: "actions" }, saveButton("user-save", "Add child"), cancelButton("user-cancel")),
          statusLine("user-status")),
      ];
    },

    sites: function (options) {
      return [
        el("ul", { class: "entries", id: "sites-list", "aria-label": "Web sites" }),
        form("site-form",
          el("h3", { id: "site-form-title", text: "Add a site" }),
          field("Caption", el("input", {
            type: "text", id: "site-label", maxlength: "60", "aria-describedby": "site-error",
            autofocus: options.autofocus,
          }), hint("The words under the picture, for example Animal videos.")),
          field("Address", el("input", {
            type: "text", id: "site-address", maxlength: "2000", "aria-describedby": "site-error",
            spellcheck: "false",
          }), hint("For example www.example.com or https://www.example.com/kids")),
          field("Also allow", el("input", {
            type: "text", id: "site-also-allow", maxlength: "2000", "aria-describedby": "site-error site-also-allow-hint",
            spellcheck: "false",
          }), hint("Other hosts this site needs, such as its video or picture host, separated by spaces. " +
            "For example videos.example.com", "site-also-allow-hint")),
          pictureFieldset("site-pictures"),
          el("fieldset", { id: "site-offers" },
            el("legend", { text: "Who may see it" }),
            el("div", { class: "offers-grid" })),
          errorLine("site-error"),
          el("div", { class: "actions" }, saveButton("site-save", "Add site"), cancelButton("site-cancel")),
          statusLine("site-status")),
      ];
    },

    password: function (options) {
      return [
        form("pwd-form",
          field(options.newLabel || "New password", el("input", {
            type: "password", id: "pwd-new", maxlength: "64",
            "aria-describedby": options.hint ? "pwd-error pwd-hint" : "pwd-error",
            autofocus: options.autofocus,
          }), options.hint ? hint(options.hint, "pwd-hint") : null),
          field(options.repeatLabel || "Type the new password again", el("input", {
            type: "password", id: "pwd-repeat", maxlength: "64", "aria-describedby": "pwd-error",
          })),
          errorLine("pwd-error"),
          el("div", { class: "actions" }, saveButton("pwd-save", options.saveLabel || "Change password")),
          statusLine("pwd-status")),
      ];
    },

    settings: function (options) {
      return [
        form("settings-form",
          checkField(el("input", { type: "checkbox", id: "settings-print" }), "Children may print"),
          field("Pages per day", el("input", {
            type: "text", id: "settings-pages", inputmode: "numeric", maxlength: "5",
            "aria-describedby": "settings-error settings-pages-hint",
          }), hint("A whole number from 0 to " + MAX_PAGES + ".", "settings-pages-hint")),
          checkField(el("input", { type: "checkbox", id: "settings-exit-pwd" }),
            "Ask for the password before Kitebrook closes"),
          checkField(el("input", {
            type: "checkbox", id: "settings-stay", "aria-describedby": "settings-stay-hint",
          }), "Keep children on their sites"),
          hint("Children open only the sites you list for them and the hosts you allow; any other " +
            "page shows a friendly \u201cnot on your list\u201d page, where you can allow it with your password.",
            "settings-stay-hint"),
          errorLine("settings-error"),
          el("div", { class: "actions" },
            saveButton("settings-save", options.saveLabel || "Save printing and leaving")),
          statusLine("settings-status")),
      ];
    },
  };

  // Builds every [data-editor] placeholder of the page (see the top).
  function buildEditors() {
    Array.prototype.forEach.call(document.querySelectorAll("[data-editor]"), function (place) {
      var name = place.getAttribute("data-editor");
      if (!Object.prototype.hasOwnProperty.call(editorMarkup, name)) {
        throw new Error("The page asks for an editor called " + name + ", which does not exist.");
      }
      var moving = place.querySelectorAll("[data-before-actions]");
      editorMarkup[name]({
        autofocus: place.hasAttribute("data-autofocus"),
        saveLabel: place.getAttribute("data-save-label"),
        newLabel: place.getAttribute("data-new-label"),
        repeatLabel: place.getAttribute("data-repeat-label"),
        hint: place.getAttribute("data-hint"),
      }).forEach(function (part) {
        place.appendChild(part);
      });
      var actions = place.querySelector("form > .actions");
      Array.prototype.forEach.call(moving, function (node) {
        actions.parentNode.insertBefore(node, actions);
      });
    });
  }

  var WIZARD_STEPS = ["Password", "Children", "Web sites", "Printing and leaving"];

  // The wizard's step header: steps before the current one are done.
  function buildWizardSteps() {
    var list = document.querySelector("ol.progress[data-step]");
    if (!list) return;
    var current = Number(list.getAttribute("data-step"));
    WIZARD_STEPS.forEach(function (name, index) {
      var number = index + 1;
      list.appendChild(el("li", {
        class: number < current ? "done" : number === current ? "current" : null,
        "aria-current": number === current ? "step" : null,
      }, number + ". " + name));
    });
  }

  // ---- Reading and re-rendering ----------------------------------------------

  function refresh() {
    return KB.readConfig().then(function (config) {
      state.config = config;
      var loadError = $("load-error");
      if (loadError) loadError.hidden = true;
      render();
      return config;
    }, function (error) {
      var loadError = $("load-error");
      if (loadError) {
        loadError.textContent =
          "The settings file KBConfig.xml could not be read (" + error.message + "). " +
          "Changes cannot be shown until it can be read again.";
        loadError.hidden = false;
      }
      throw error;
    });
  }

  // Runs after the queued commands have been carried out: reads the file
  // again and hands the fresh configuration to the check, which reports
  // into the status line of its section.
  function afterCommands(statusId, check) {
    return KB.whenIdle().then(refresh).then(check, function () {
      showStatus(statusId, "Kitebrook could not read the settings file back, so this change " +
        "may not have been saved.", true);
    });
  }

  function render() {
    // Rebuilding the lists must not throw a keyboard user out of place.
    var focusedId = (document.activeElement && document.activeElement.id) || state.refocusId;
    state.refocusId = null;
    renderChildren();
    renderSites();
    renderNewSiteOffers();
    if (focusedId && $(focusedId) && document.activeElement !== $(focusedId)) $(focusedId).focus();
    if (state.onRender) state.onRender(state.config);
  }

  // ---- Picture chooser -------------------------------------------------------

  function buildPictureGrid(containerId, groupName, prefix, pictures, kind) {
    var container = $(containerId);
    if (!container) return;
    pictures.forEach(function (picture) {
      var inputId = prefix + pictureBase(picture.file);
      container.appendChild(el("div", { class: "picture-choice" },
        el("input", { type: "radio", name: groupName, id: inputId, value: picture.file }),
        el("label", { for: inputId },
          KB.pictureElement(picture.file, kind, ""),
          el("span", { text: picture.name }))));
    });
  }

  function chosenPicture(groupName) {
    var checked = document.querySelector('input[name="' + groupName + '"]:checked');
    return checked ? checked.value : "";
  }

  function choosePicture(groupName, file) {
    var radios = document.querySelectorAll('input[name="' + groupName + '"]');
    Array.prototype.forEach.call(radios, function (radio) {
      radio.checked = radio.value === file;
    });
  }

  // The first picture of the list that no entry uses yet.
  function freshPicture(pictures, entries) {
    var used = entries.map(function (entry) {
      return KB.pictureFileName(entry.image);
    });
    var free = pictures.filter(function (picture) {
      return used.indexOf(picture.file) < 0;
    })[0];
    return (free || pictures[0]).file;
  }

  // ---- Children --------------------------------------------------------------

  function renderChildren() {
    var list = $("children-list");
    if (!list) return;
    list.textContent = "";
    var children = state.config.children;
    if (!children.length) {
      list.appendChild(el("li", { class: "empty", id: "no-children", text: "No children yet." }));
    }
    children.forEach(function (child) {
      var key = idPart(child.id);
      var canChange = usableId(child.id);
      var item = el("li", { class: "entry", id: "user-" + key },
        KB.pictureElement(child.image, "child", ""),
        el("div", { class: "what" }, el("span", { class: "name", text: child.name })),
        el("div", { class: "entry-actions" },
          el("button", {
            type: "button", class: "btn btn-small", id: "user-edit-" + key, disabled: !canChange,
            "aria-label": "Change " + child.name,
            onclick: function () { startEditingUser(child); },
          }, "Change"),
          el("button", {
            type: "button", class: "btn btn-small btn-danger", id: "user-remove-" + key,
            disabled: !canChange, "aria-label": "Remove " + child.name,
            onclick: function () {
              state.confirmUserId = child.id;
              render();
              $("user-remove-no-" + key).focus();
            },
          }, "Remove")));
      if (state.confirmUserId === child.id) {
        item.appendChild(el("div", { class: "confirm", role: "group", "aria-label": "Confirm removal" },
          el("span", { text: "Remove " + child.name + " from Kitebrook?" }),
          el("button", {
            type: "button", class: "btn btn-small btn-danger btn-primary", id: "user-remove-yes-" + key,
            onclick: function () { removeUser(child); },
          }, "Yes, remove"),
          el("button", {
            type: "button", class: "btn btn-small", id: "user-remove-no-" + key,
            onclick: function () {
              state.confirmUserId = null;
              render();
              $("user-remove-" + key).focus();
            },
          }, "Keep")));
      }
      list.appendChild(item);
    });
  }

  function resetUserForm() {
    state.editingUserId = null;
    if (!$("user-form")) return;
    $("user-name").value = "";
    $("user-form-title").textContent = "Add a child";
    $("user-save").textContent = "Add child";
    $("user-cancel").hidden = true;
    showFieldError("user-error", $("user-name"), "");
    if (state.config) choosePicture("user-picture", freshPicture(KB_PICTURES.children, state.config.children));
  }

  function startEditingUser(child) {
    state.editingUserId = child.id;
    $("user-name").value = child.name;
    $("user-form-title").textContent = "Change " + child.name;
    $("user-save").textContent = "Save changes";
    $("user-cancel").hidden = false;
    showFieldError("user-error", $("user-name"), "");
    showStatus("user-status", "");
    // A picture that is not one of ours stays selected by sending none.
    choosePicture("user-picture", KB.pictureFileName(child.image));
    $("user-form").scrollIntoView({ block: "start" });
    $("user-name").focus();
  }

  function userNameProblem(name) {
    if (!name) return "Please type the child's name.";
    if (name.length > 40) return "Please use a shorter name (at most 40 letters).";
    var problem = KB.argumentProblem(name);
    if (problem) return problem;
    if (name.toUpperCase() === "ALLUSERS") return "That name is kept for Kitebrook itself; please choose another.";
    var taken = state.config.children.some(function (child) {
      return child.id !== state.editingUserId && child.name.toUpperCase() === name.toUpperCase();
    });
    if (taken) return "There is already a child called " + name + ". Please choose a different name.";
    return null;
  }

  function saveUser(event) {
    event.preventDefault();
    if (!state.config) return;
    var nameField = $("user-name");
    var name = nameField.value.trim();
    var problem = userNameProblem(name);
    if (problem) {
      showFieldError("user-error", nameField, problem);
      return;
    }
    showFieldError("user-error", nameField, "");
    var picture = chosenPicture("user-picture");
    var editing = state.editingUserId;
    if (editing) {
      var old = KB.userById(state.config, editing);
      // Sending no picture keeps the stored one.
      if (old && KB.pictureFileName(old.image) === picture) picture = "";
      KB.send("SETUSERGLOBALS", "0", "0", editing);
    } else {
      KB.send("CLEARUSERGLOBALS");
    }
    KB.send("UPDATEUSER", name, picture);
    showStatus("user-status", "Saving…");
    var knownIds = state.config.children.map(function (child) { return child.id; });
    afterCommands("user-status", function (config) {
      var saved = editing
        ? KB.userById(config, editing)
        : config.children.filter(function (child) { return knownIds.indexOf(child.id) < 0; })[0];
      if (saved && saved.name === name) {
        showStatus("user-status", (editing ? "Saved the changes for " : "Added ") + name + ".");
        resetUserForm();
      } else {
        showStatus("user-status", "Kitebrook could not save " + name + ". Please try again.", true);
      }
    });
  }

  // Removes the child and takes it off every site, so that a child added
  // later under the same ID does not inherit the removed child's sites. A
  // site offered to everybody loses the AllUsers entry for a moment, which
  // keeps the host from warning about it, and gets it straight back.
  function removeUser(child) {
    var config = state.config;
    var allId = config.allUsersId;
    state.confirmUserId = null;
    KB.send("REMOVEUSER", child.id);
    config.sites.forEach(function (site) {
      if (!usableId(site.id) || !KB.siteAllows(site, child.id)) return;
      var offeredToAll = allId && usableId(allId) && KB.siteAllows(site, allId);
      if (offeredToAll) KB.send("REMOVEUSERFROMSITE", allId, site.id);
      KB.send("REMOVEUSERFROMSITE", child.id, site.id);
      if (offeredToAll) KB.send("ASSIGNSITETOUSER", allId, site.id);
    });
    if (state.editingUserId === child.id) resetUserForm();
    showStatus("user-status", "Removing " + child.name + "…");
    afterCommands("user-status", function (fresh) {
      if (KB.userById(fresh, child.id)) {
        showStatus("user-status", "Kitebrook could not remove " + child.name + ". Please try again.", true);
      } else {
        showStatus("user-status", "Removed " + child.name + ".");
      }
    });
  }

  function wireChildren() {
    if (!$("user-form")) return;
    buildPictureGrid("user-pictures", "user-picture", "user-pic-", KB_PICTURES.children, "child");
    $("user-form").addEventListener("submit", saveUser);
    $("user-cancel").addEventListener("click", function () {
      resetUserForm();
      showStatus("user-status", "");
    });
  }

  // ---- Sites -----------------------------------------------------------------

  function offerBox(id, label, checked, extraClass, onChange) {
    return el("label", { class: "check" + (extraClass ? " " + extraClass : ""), for: id },
      el("input", { type: "checkbox", id: id, checked: checked, onchange: onChange }),
      el("span", { text: label }));
  }

  // Offers or withdraws a site for one child or (with the AllUsers ID) for all.
  function setOffer(site, userId, offered, box) {
    state.refocusId = box.id;
    box.disabled = true;
    KB.send(offered ? "ASSIGNSITETOUSER" : "REMOVEUSERFROMSITE", userId, site.id);
    showStatus("site-status", "Saving…");
    afterCommands("site-status", function (config) {
      var fresh = KB.siteById(config, site.id);
      if (fresh && KB.siteAllows(fresh, userId) === offered) showStatus("site-status", "Saved.");
      else showStatus("site-status", "Kitebrook could not change who sees " + site.label + ".", true);
    });
  }

  function siteOffers(site) {
    var config = state.config;
    var key = idPart(site.id);
    var canChange = usableId(site.id);
    var offers = el("div", { class: "offers", role: "group", "aria-label": "Who may see " + site.label },
      el("span", { class: "offers-title", text: "Who may see it:" }));
    var allId = config.allUsersId;
    var forAll = allId !== null && KB.siteAllows(site, allId);
    if (allId !== null && usableId(allId)) {
      offers.appendChild(offerBox("site-" + key + "-all", "All children", forAll, "all", function (event) {
        setOffer(site, allId, event.target.checked, event.target);
      }));
    }
    config.children.forEach(function (child) {
      if (!usableId(child.id)) return;
      offers.appendChild(offerBox("site-" + key + "-user-" + idPart(child.id), child.name,
        KB.siteAllows(site, child.id), "", function (event) {
          setOffer(site, child.id, event.target.checked, event.target);
        }));
    });
    if (forAll) offers.appendChild(el("span", { class: "offers-title", text: "(every child sees this site)" }));
    if (!canChange) {
      Array.prototype.forEach.call(offers.querySelectorAll("input"), function (input) {
        input.disabled = true;
      });
    }
    return offers;
  }

  function renderSites() {
    var list = $("sites-list");
    if (!list) return;
    list.textContent = "";
    var sites = state.config.sites;
    if (!sites.length) list.appendChild(el("li", { class: "empty", id: "no-sites", text: "No sites yet." }));
    sites.forEach(function (site) {
      var key = idPart(site.id);
      var canChange = usableId(site.id);
      var item = el("li", { class: "entry", id: "site-" + key },
        KB.pictureElement(site.image, "site", ""),
        el("div", { class: "what" },
          el("div", { class: "name", text: site.label }),
          el("div", { class: "address", text: KB.siteHref(site.target) })),
        el("div", { class: "entry-actions" },
          el("button", {
            type: "button", class: "btn btn-small", id: "site-edit-" + key, disabled: !canChange,
            "aria-label": "Change " + site.label,
            onclick: function () { startEditingSite(site); },
          }, "Change"),
          el("button", {
            type: "button", class: "btn btn-small btn-danger", id: "site-remove-" + key,
            disabled: !canChange, "aria-label": "Remove " + site.label,
            onclick: function () {
              state.confirmSiteId = site.id;
              render();
              $("site-remove-no-" + key).focus();
            },
          }, "Remove")),
        siteOffers(site));
      if (state.confirmSiteId === site.id) {
        item.appendChild(el("div", { class: "confirm", role: "group", "aria-label": "Confirm removal" },
          el("span", { text: "Remove the site " + site.label + "?" }),
          el("button", {
            type: "button", class: "btn btn-small btn-danger btn-primary", id: "site-remove-yes-" + key,
            onclick: function () { removeSite(site); },
          }, "Yes, remove"),
          el("button", {
            type: "button", class: "btn btn-small", id: "site-remove-no-" + key,
            onclick: function () {
              state.confirmSiteId = null;
              render();
              $("site-remove-" + key).focus();
            },
          }, "Keep")));
      }
      list.appendChild(item);
    });
  }

  // The "who may see it" boxes of the form for a new site; ticks survive a
  // re-render.
  function renderNewSiteOffers() {
    var box = $("site-offers");
    if (!box) return;
    var ticked = {};
    Array.prototype.forEach.call(box.querySelectorAll("input"), function (input) {
      ticked[input.id] = input.checked;
    });
    var grid = box.querySelector(".offers-grid");
    grid.textContent = "";
    var config = state.config;
    function wasTicked(id, fallback) {
      return Object.prototype.hasOwnProperty.call(ticked, id) ? ticked[id] : fallback;
    }
    if (config.allUsersId !== null && usableId(config.allUsersId)) {
      grid.appendChild(offerBox("site-offer-all", "All children", wasTicked("site-offer-all", true), "all"));
    }
    config.children.forEach(function (child) {
      if (!usableId(child.id)) return;
      var id = "site-offer-" + idPart(child.id);
      grid.appendChild(offerBox(id, child.name, wasTicked(id, false)));
    });
    if (!grid.children.length) {
      grid.appendChild(el("span", { class: "empty", text: "Add a child first to choose who sees it." }));
    }
    box.hidden = state.editingSiteId !== null;
  }

  function resetSiteForm() {
    state.editingSiteId = null;
    if (!$("site-form")) return;
    $("site-label").value = "";
    $("site-address").value = "";
    $("site-also-allow").value = "";
    $("site-form-title").textContent = "Add a site";
    $("site-save").textContent = "Add site";
    $("site-cancel").hidden = true;
    showFieldError("site-error", [$("site-label"), $("site-address")], "");
    if (state.config) {
      choosePicture("site-picture", freshPicture(KB_PICTURES.sites, state.config.sites));
      // A fresh form starts again from "All children".
      $("site-offers").querySelector(".offers-grid").textContent = "";
      renderNewSiteOffers();
    }
  }

  function startEditingSite(site) {
    state.editingSiteId = site.id;
    $("site-label").value = site.label;
    $("site-address").value = site.target;
    $("site-also-allow").value = site.alsoAllow.join(" ");
    $("site-form-title").textContent = "Change " + site.label;
    $("site-save").textContent = "Save changes";
    $("site-cancel").hidden = false;
    showFieldError("site-error", [$("site-label"), $("site-address")], "");
    showStatus("site-status", "");
    choosePicture("site-picture", KB.pictureFileName(site.image));
    renderNewSiteOffers();
    $("site-form").scrollIntoView({ block: "start" });
    $("site-label").focus();
  }

  function addressProblem(address) {
    if (!address) return "Please type the site's address, for example www.example.com.";
    if (address.length > 2000) return "That address is too long.";
    if (/\s/.test(address)) return "An address has no spaces in it.";
    var problem = KB.argumentProblem(address);
    if (problem) return problem;
    var scheme = /^([a-z][a-z0-9+.-]*):/i.exec(address);
    var hostAndPort = /^[^:\/]+:\d+(\/|$)/.test(address);
    if (scheme && !hostAndPort && !/^(https?|ftp|file):\/\//i.test(address)) {
      return "Please type a web address, such as www.example.com or https://www.example.com.";
    }
    return null;
  }

  // Whether the stored hosts are those typed; the host stores them in lower
  // case, without a scheme or path, so only their number is compared.
  function sameHosts(stored, typed) {
    return stored.length === (typed ? typed.split(" ").length : 0);
  }

  function saveSite(event) {
    event.preventDefault();
    if (!state.config) return;
    var labelField = $("site-label");
    var addressField = $("site-address");
    var label = labelField.value.trim();
    var address = addressField.value.trim();
    var problem = !label ? "Please type a caption for the site." :
      label.length > 60 ? "Please use a shorter caption (at most 60 letters)." :
      KB.argumentProblem(label);
    if (problem) {
      showFieldError("site-error", labelField, problem);
      return;
    }
    problem = addressProblem(address);
    if (problem) {
      showFieldError("site-error", addressField, problem);
      return;
    }
    var alsoField = $("site-also-allow");
    var alsoAllow = alsoField.value.trim().split(/\s+/).filter(function (host) { return host; }).join(" ");
    problem = alsoAllow.length > 2000 ? "Please list fewer hosts." : KB.argumentProblem(alsoAllow);
    if (problem) {
      showFieldError("site-error", alsoField, problem);
      return;
    }
    showFieldError("site-error", [labelField, addressField, alsoField], "");
    var picture = chosenPicture("site-picture");
    var editing = state.editingSiteId;
    showStatus("site-status", "Saving…");
    if (editing) {
      var old = KB.siteById(state.config, editing);
      if (old && KB.pictureFileName(old.image) === picture) picture = "";
      KB.send("SETSITEGLOBALS", "0", "0", "0", editing);
      KB.send("UPDATESITE", label, picture, address);
      KB.send("SETALSOALLOW", editing, alsoAllow);
      afterCommands("site-status", function (config) {
        var saved = KB.siteById(config, editing);
        if (saved && saved.label === label && sameHosts(saved.alsoAllow, alsoAllow)) {
          showStatus("site-status", "Saved the changes for " + label + ".");
          resetSiteForm();
        } else {
          showStatus("site-status", "Kitebrook could not save " + label + ". Please try again.", true);
        }
      });
      return;
    }
    var offerTo = [];
    Array.prototype.forEach.call(document.querySelectorAll("#site-offers input:checked"), function (box) {
      if (box.id === "site-offer-all") offerTo.push(state.config.allUsersId);
      else {
        state.config.children.forEach(function (child) {
          if (box.id === "site-offer-" + idPart(child.id)) offerTo.push(child.id);
        });
      }
    });
    var knownIds = state.config.sites.map(function (site) { return site.id; });
    KB.send("CLEARSITEGLOBALS");
    KB.send("UPDATESITE", label, picture, address);
    // The new site's ID is known only once the host has added it.
    KB.whenIdle().then(KB.readConfig).then(function (config) {
      var added = config.sites.filter(function (site) {
        return knownIds.indexOf(site.id) < 0 && site.label === label;
      }).pop();
      if (!added) {
        refresh();
        showStatus("site-status", "Kitebrook could not add " + label + ". Please try again.", true);
        return;
      }
      state.config = config;
      offerTo.forEach(function (userId) {
        KB.send("ASSIGNSITETOUSER", userId, added.id);
      });
      if (alsoAllow) KB.send("SETALSOALLOW", added.id, alsoAllow);
      afterCommands("site-status", function (fresh) {
        var site = KB.siteById(fresh, added.id);
        var allOffered = site && offerTo.every(function (userId) { return KB.siteAllows(site, userId); });
        if (allOffered) {
          showStatus("site-status", "Added " + label + "." +
            (offerTo.length ? "" : " Nobody sees it yet: tick who may see it below."));
        } else {
          showStatus("site-status", "Added " + label + ", but not everybody ticked can see it yet. " +
            "Please tick them again below.", true);
        }
      });
      resetSiteForm();
    }, function () {
      refresh();
      showStatus("site-status", "Kitebrook could not add " + label + ". Please try again.", true);
    });
  }

  function removeSite(site) {
    state.confirmSiteId = null;
    KB.send("REMOVESITE", site.id);
    if (state.editingSiteId === site.id) resetSiteForm();
    showStatus("site-status", "Removing " + site.label + "…");
    afterCommands("site-status", function (config) {
      if (KB.siteById(config, site.id)) {
        showStatus("site-status", "Kitebrook could not remove " + site.label + ". Please try again.", true);
      } else {
        showStatus("site-status", "Removed " + site.label + ".");
      }
    });
  }

  function wireSites() {
    if (!$("site-form")) return;
    buildPictureGrid("site-pictures", "site-picture", "site-pic-", KB_PICTURES.sites, "site");
    $("site-form").addEventListener("submit", saveSite);
    $("site-cancel").addEventListener("click", function () {
      resetSiteForm();
      showStatus("site-status", "");
    });
  }

  // ---- Password --------------------------------------------------------------

  function savePassword(event) {
    event.preventDefault();
    var first = $("pwd-new");
    var second = $("pwd-repeat");
    var pwd = first.value;
    var problem = !pwd ? "Please type the new password." :
      pwd.length > 64 ? "Please use a shorter password (at most 64 characters)." :
      KB.argumentProblem(pwd);
    if (problem) {
      showFieldError("pwd-error", first, problem);
      return;
    }
    if (second.value !== pwd) {
      showFieldError("pwd-error", second, "The two passwords are not the same. Please type it again.");
      return;
    }
    showFieldError("pwd-error", [first, second], "");
    $("pwd-save").disabled = true;
    KB.send("UPDATEPWD", pwd);
    showStatus("pwd-status", "Saving…");
    afterCommands("pwd-status", function (config) {
      $("pwd-save").disabled = false;
      if (config.settings.pwdSet) {
        first.value = "";
        second.value = "";
        showStatus("pwd-status", "Password changed. Kitebrook asks for the new password from now on.");
      } else {
        showStatus("pwd-status", "Kitebrook could not change the password. Please try again.", true);
      }
    });
  }

  function wirePassword() {
    if ($("pwd-form")) $("pwd-form").addEventListener("submit", savePassword);
  }

  // ---- Printing and leaving --------------------------------------------------


  function fillSettings(settings) {
    $("settings-print").checked = settings.printAllowed;
    $("settings-pages").value = /^\d+$/.test(settings.printLimit) ? String(Number(settings.printLimit)) : "0";
    $("settings-exit-pwd").checked = settings.pwdExit;
    // The wizard turns it on for a file that does not have it yet.
    var wizard = document.querySelector("ol.progress[data-step]") !== null;
    $("settings-stay").checked = settings.stayOnSites || (wizard && !settings.hasStayOnSites);
    syncPagesField();
  }

  function syncPagesField() {
    $("settings-pages").disabled = !$("settings-print").checked;
  }

  function validPages(text) {
    return /^\d+$/.test(text) && Number(text) <= MAX_PAGES;
  }

  function saveSettings(event) {
    event.preventDefault();
    var print = $("settings-print").checked;
    var exitPwd = $("settings-exit-pwd").checked;
    var pagesField = $("settings-pages");
    var pages = pagesField.value.trim();
    if (print && !validPages(pages)) {
      showFieldError("settings-error", pagesField, "Please type a whole number of pages from 0 to " + MAX_PAGES + ".");
      return;
    }
    showFieldError("settings-error", pagesField, "");
    // With printing off the stored limit stays; still send a valid number.
    if (!validPages(pages)) pages = "0";
    pages = String(Number(pages));
    var stay = $("settings-stay").checked;
    $("settings-save").disabled = true;
    // In the wizard the settings command moves on to the next step, so the
    // other setting is sent first.
    KB.send("UPDATESTAYONSITES", stay ? "1" : "0");
    KB.send("UPDATESETTINGS", exitPwd ? "1" : "0", print ? "1" : "0", "0", pages);
    showStatus("settings-status", "Saving…");
    afterCommands("settings-status", function (config) {
      $("settings-save").disabled = false;
      var stored = config.settings;
      var saved = stored.printAllowed === print && stored.pwdExit === exitPwd &&
        stored.stayOnSites === stay && (!print || stored.printLimit === pages);
      fillSettings(stored);
      if (saved) {
        showStatus("settings-status", "Saved. The new settings apply from the next start of Kitebrook.");
      } else {
        showStatus("settings-status", "Kitebrook could not save the settings. Please try again.", true);
      }
    });
  }

  function wireSettings() {
    if (!$("settings-form")) return;
    $("settings-form").addEventListener("submit", saveSettings);
    $("settings-print").addEventListener("change", syncPagesField);
  }

  // ---- Leaving a page --------------------------------------------------------

  // True when a form holds typing that has not been saved.
  function unsavedTyping() {
    return ["user-name", "site-label", "site-address", "site-also-allow", "pwd-new"].some(function (id) {
      var field = $(id);
      if (!field || !field.value.trim()) return false;
      if (id === "user-name" && state.editingUserId) {
        var child = KB.userById(state.config, state.editingUserId);
        return !child || child.name !== field.value.trim();
      }
      if (id === "site-also-allow") {
        var edited = state.editingSiteId && KB.siteById(state.config, state.editingSiteId);
        var stored = edited ? edited.alsoAllow.join(" ") : "";
        return field.value.trim().split(/\s+/).join(" ") !== stored;
      }
      if ((id === "site-label" || id === "site-address") && state.editingSiteId) {
        var site = KB.siteById(state.config, state.editingSiteId);
        return !site || (id === "site-label" ? site.label : site.target) !== field.value.trim();
      }
      return true;
    });
  }

  // Leaving warns once about unsaved typing; a second click leaves.
  function guardLeaving(event, go) {
    if (event) event.preventDefault();
    var warning = $("leave-warning");
    if (unsavedTyping() && !state.leaveWarned && warning) {
      state.leaveWarned = true;
      warning.hidden = false;
      warning.focus();
      return;
    }
    KB.whenIdle().then(go);
  }

  function wireLeaving() {
    var exit = $("exit-config");
    if (exit) {
      exit.addEventListener("click", function (event) {
        guardLeaving(event, function () {
          exit.disabled = true;
          KB.send("EXIT_CONFIG");
        });
      });
    }
    Array.prototype.forEach.call(document.querySelectorAll("[data-leave]"), function (link) {
      link.addEventListener("click", function (event) {
        guardLeaving(event, function () {
          global.location.href = link.getAttribute("href") || link.getAttribute("data-href");
        });
      });
    });
  }

  // ---- Start -----------------------------------------------------------------

  function start(options) {
    state.onRender = (options && options.onRender) || null;
    buildWizardSteps();
    buildEditors();
    wireChildren();
    wireSites();
    wirePassword();
    wireSettings();
    wireLeaving();
    return refresh().then(function (config) {
      resetUserForm();
      resetSiteForm();
      if ($("settings-form")) fillSettings(config.settings);
      return config;
    }, function () {});
  }

  global.KBParent = { start: start, refresh: refresh };
})(window);
