"use strict";
// The sandbox page: four panes over the simulator's run. Every action is a scenario step POSTed to
// /api/step; the server runs it through the same step loop as a scenario and records it.
(function () {
  const token = new URLSearchParams(location.search).get("token") || "";
  const $ = (id) => document.getElementById(id);
  const pageSize = 100;
  let offset = 0;
  let lastRow = null;
  let project = null;
  let palette = null;
  let logWhich = "transcript";
  let logNext = 0;
  let busy = false;
  let shownQuestion = "";

  function api(path, body) {
    const options = { headers: { "X-Sandbox-Token": token }, cache: "no-store" };
    if (body !== undefined) {
      options.method = "POST";
      options.headers["Content-Type"] = "application/json";
      options.body = typeof body === "string" ? body : JSON.stringify(body);
    }
    return fetch(path, options).then(async (response) => {
      const type = response.headers.get("Content-Type") || "";
      const data = type.startsWith("application/json") ? await response.json() : await response.blob();
      if (!response.ok) {
        throw new Error((data && data.error) || response.statusText);
      }
      return data;
    });
  }

  function say(text, ok) {
    $("message").textContent = text;
    $("message").className = ok ? "ok" : "";
  }

  function text(value) {
    const node = document.createElement("span");
    node.textContent = value;
    return node;
  }

  // ---- Steps --------------------------------------------------------------------------------

  async function step(json) {
    if (busy) {
      say("a step is running; wait for its result");
      return;
    }
    busy = true;
    $("status").textContent = "running " + (json.do || "step");
    const watching = setInterval(watchQuestion, 150);
    try {
      const result = await api("/api/step", json);
      const failures = result.failures || [];
      say(failures.length ? failures.join("\n") : "step " + result.step + " done" + (result.warning ? ": " + result.warning : ""),
          failures.length === 0);
    } catch (error) {
      say(error.message);
    } finally {
      clearInterval(watching);
      hideModal();
      busy = false;
      $("status").textContent = "ready";
      refresh();
    }
  }

  async function pin(expect) {
    try {
      await api("/api/expect", expect);
      say("pinned to the last step: " + JSON.stringify(expect), true);
    } catch (error) {
      say(error.message);
    }
  }

  // ---- The modal alert or dialog ------------------------------------------------------------

  async function watchQuestion() {
    try {
      const state = await api("/api/state");
      const question = state.question;
      const key = question ? JSON.stringify(question) : "";
      if (key && key !== shownQuestion) {
        showModal(question);
      }
      shownQuestion = key;
    } catch (error) {
      /* the step's own reply reports failures */
    }
  }

  function hideModal() {
    $("modal").hidden = true;
    shownQuestion = "";
  }

  function showModal(question) {
    const modal = $("modal");
    const content = modal.querySelector(".content");
    const buttons = modal.querySelector(".buttons");
    content.replaceChildren();
    buttons.replaceChildren();
    modal.querySelector(".title").textContent = question.title || (question.kind === "alert" ? "Alert" : "Dialog");
    const answer = async (body) => {
      try {
        await api("/api/answer", body);
        modal.hidden = true;
      } catch (error) {
        say(error.message);
      }
    };
    if (question.kind === "alert") {
      const icon = document.createElement("div");
      icon.className = "icon";
      // The host's alert kinds: -1 stops (an error), -2 cautions; others inform.
      icon.textContent = question.type === -1 ? "\u26d4" : question.type === -2 ? "\u26a0" : "\u2139";
      content.append(icon);
      for (const line of [question.largeText, question.smallText]) {
        if (line) {
          const p = document.createElement("p");
          p.textContent = line;
          content.append(p);
        }
      }
      question.buttons.forEach((label, index) => {
        const button = document.createElement("button");
        button.textContent = label;
        button.onclick = () => answer({ alert: question.id, button: index + 1 });
        buttons.append(button);
      });
    } else {
      for (const line of question.texts) {
        const p = document.createElement("p");
        p.textContent = line;
        content.append(p);
      }
      const choice = document.createElement("select");
      question.entries.forEach((entry, index) => choice.append(new Option(entry, String(index + 1))));
      content.append(choice);
      const accept = document.createElement("button");
      accept.textContent = question.buttons[0] || "OK";
      accept.onclick = () => answer({ chooseSystem: Number(choice.value) });
      const cancel = document.createElement("button");
      cancel.textContent = question.buttons[question.buttons.length - 1] || "Cancel";
      cancel.onclick = () => answer({ cancelDialog: true });
      buttons.append(cancel, accept);
    }
    modal.hidden = false;
  }

  // ---- The palette --------------------------------------------------------------------------

  function layoutItem(panelIndex, itemIndex) {
    const panel = palette.layout.panels.find((p) => p.index === panelIndex);
    return panel && panel.page ? panel.page.items.find((i) => i.index === itemIndex) : null;
  }

  function paletteClick(event, double) {
    const target = event.target;
    const header = target.closest("[data-panel].header");
    if (header) {
      const panel = palette.panels[Number(header.dataset.panel) - 1];
      step({ do: "rollPanel", panel: panel, expanded: header.dataset.expanded !== "true" });
      return;
    }
    const item = target.closest("[data-item]");
    const page = target.closest(".page[data-panel]");
    if (!item || !page) {
      return;
    }
    const panelIndex = Number(page.dataset.panel);
    const panel = palette.panels[panelIndex - 1];
    const index = Number(item.dataset.item);
    const kind = item.dataset.kind;
    const row = target.closest("[data-row]");
    if (row && (event.altKey || event.shiftKey)) {
      pin({ panels: { [panel]: { rowsContaining: [row.textContent.trim()] } } });
      return;
    }
    if (row) {
      step({ do: double ? "doubleClickRow" : "clickRow", panel: panel, row: Number(row.dataset.row) });
    } else if (!double && (kind === "pushButton" || kind === "iconButton")) {
      step({ do: "click", panel: panel, button: index });
    } else if (!double && kind === "popUp") {
      const entries = (layoutItem(panelIndex, index) || {}).entries || [];
      const menu = $("palette-menu");
      menu.replaceChildren();
      entries.forEach((entry, n) => {
        const line = document.createElement("div");
        line.textContent = entry;
        line.onclick = () => {
          menu.hidden = true;
          step({ do: "choosePopUp", panel: panel, entry: n + 1 });
        };
        menu.append(line);
      });
      const box = item.getBoundingClientRect();
      const pane = $("palette-pane").getBoundingClientRect();
      menu.style.left = box.left - pane.left + "px";
      menu.style.top = box.bottom - pane.top + $("palette-pane").scrollTop + "px";
      menu.hidden = false;
    }
  }

  // The drawn palette lives in a shadow root: its style stays its own, and clicks reach the
  // page's handlers directly.
  function drawPalette(data) {
    palette = data;
    const body = $("palette-body");
    if (!data.open) {
      body.innerHTML = '<p class="empty">The palette is not open.</p>';
      return;
    }
    let host = $("palette-host");
    if (!host) {
      body.replaceChildren();
      host = document.createElement("div");
      host.id = "palette-host";
      const root = host.attachShadow({ mode: "open" });
      root.addEventListener("click", (event) => paletteClick(event, false));
      root.addEventListener("dblclick", (event) => paletteClick(event, true));
      body.append(host);
    }
    host.style.width = data.width + "px";
    host.style.height = data.height + "px";
    const drawn = new DOMParser().parseFromString(data.html, "text/html");
    host.shadowRoot.replaceChildren(...drawn.head.querySelectorAll("style"), ...drawn.body.childNodes);
  }

  // ---- The page -----------------------------------------------------------------------------

  const pageActions = ["connect", "open", "associate", "removeAssociation", "updateClause", "listTypes",
    "selectInstances", "disconnect", "rename", "offline", "online", "getAllState"];
  let specifications = [];

  function fillClauses() {
    const spec = specifications.find((s) => s.id === $("page-spec").value);
    $("page-clause").replaceChildren(...(spec ? spec.clauses : []).map((c) => new Option(c.code + " " + c.title, c.id)));
  }

  async function loadWebApp() {
    const data = await api("/api/webapp");
    specifications = data.specifications;
    $("page-action").replaceChildren(...pageActions.map((a) => new Option(a, a)));
    $("page-spec").replaceChildren(...specifications.map((s) => new Option(s.title + " (" + s.projectTitle + ")", s.id)));
    fillClauses();
    $("page-kind").textContent = data.browser === "chromium"
      ? "the page in Chromium (actions below are done in it)"
      : "the simulated page (its calls reach the add-on as the page's)";
    $("page-live").hidden = data.browser !== "chromium";
  }

  function pageStep() {
    const action = $("page-action").value;
    const json = { do: "page", action: action };
    const spec = $("page-spec").value;
    const clause = $("page-clause").value;
    const typed = $("page-text").value;
    if (["connect", "open", "associate", "removeAssociation", "updateClause", "disconnect", "rename"].includes(action)) {
      json.specification = spec;
    }
    if (["associate", "removeAssociation", "updateClause"].includes(action)) {
      json.clause = clause;
    }
    if (action === "updateClause") {
      json.title = typed;
    }
    if (action === "rename") {
      json.specificationTitle = typed;
    }
    if (action === "selectInstances") {
      json.type = $("page-type").value;
    }
    step(json);
  }

  async function refreshPagePicture() {
    if ($("page-live").hidden) {
      return;
    }
    try {
      const blob = await api("/api/page.png");
      const old = $("page-picture").src;
      $("page-picture").src = URL.createObjectURL(blob);
      if (old.startsWith("blob:")) {
        URL.revokeObjectURL(old);
      }
    } catch (error) {
      /* no picture yet */
    }
  }

  // A click on the picture and typed text reach the real page as the page's own script, so they
  // are steps like any other and replay in Chromium.
  $("page-picture").onclick = (event) => {
    const picture = $("page-picture");
    const x = Math.round(event.offsetX * picture.naturalWidth / picture.clientWidth);
    const y = Math.round(event.offsetY * picture.naturalHeight / picture.clientHeight);
    step({ do: "page", action: "script", script: "(() => { const at = document.elementFromPoint(" + x + ", " + y +
      "); if (at) { at.focus(); at.click(); } })()" });
  };
  $("page-type-send").onclick = () => {
    const typed = JSON.stringify($("page-typed").value);
    step({ do: "page", action: "script", script: "(() => { const at = document.activeElement; if (at && 'value' in at) {" +
      " at.value += " + typed + "; at.dispatchEvent(new Event('input', { bubbles: true })); } })()" });
  };

  // ---- The project --------------------------------------------------------------------------

  function checkedRefs() {
    return [...document.querySelectorAll("#rows input[type=checkbox]:checked")].map((box) => box.value);
  }

  async function selectRange(from, to) {
    const first = Math.min(from, to);
    const names = await api("/api/names?offset=" + first + "&count=" + (Math.abs(to - from) + 1));
    step({ do: "select", elements: names });
  }

  function drawProject(data) {
    project = data;
    const body = document.querySelector("#rows tbody");
    body.replaceChildren();
    if (!data.open) {
      $("project-name").textContent = "(no project open)";
      return;
    }
    $("project-name").textContent = data.name + ": " + data.total + " elements, " + data.selected + " selected";
    $("page-range").textContent = data.total ? (data.offset + 1) + "-" + Math.min(data.total, data.offset + pageSize) + " of " + data.total : "none";
    const stories = $("story-select");
    stories.replaceChildren(...data.stories.map((s) => new Option("story " + s.name, String(s.index))));
    stories.value = String(data.currentStory);
    const types = $("select-type");
    types.replaceChildren(new Option("select by type...", ""), ...data.types.map((t) => new Option(t, t)));
    const layers = $("layers");
    layers.replaceChildren(text("Layers: "));
    for (const layer of data.layers) {
      const span = document.createElement("span");
      span.append(text(layer.name + " "));
      for (const [key, on, off] of [["hidden", "show", "hide"], ["locked", "unlock", "lock"]]) {
        const button = document.createElement("button");
        button.textContent = layer[key] ? on : off;
        button.onclick = () => step({ do: "setLayer", layer: layer.name, [key]: !layer[key] });
        span.append(button);
      }
      layers.append(span);
    }
    for (const row of data.rows) {
      const tr = document.createElement("tr");
      if (row.selected) {
        tr.className = "selected";
      }
      const box = document.createElement("input");
      box.type = "checkbox";
      box.value = row.ref;
      const cell = (content, cls) => {
        const td = document.createElement("td");
        if (cls) {
          td.className = cls;
        }
        td.append(content);
        tr.append(td);
        return td;
      };
      cell(box);
      const name = cell(text(row.name || row.guid), "name");
      name.title = "click: select it; shift-click: select the range from the last clicked";
      name.onclick = (event) => {
        if (event.shiftKey && lastRow !== null) {
          selectRange(lastRow, row.row);
        } else {
          step({ do: "select", elements: [row.ref] });
        }
        lastRow = row.row;
      };
      cell(text(row.type));
      cell(text(row.story));
      cell(text(row.layer));
      const classification = document.createElement("span");
      for (const [system, item] of Object.entries(row.classification)) {
        const value = text(system + ": " + item + " ");
        value.className = "pin";
        value.title = "click: pin this value to the last step";
        value.onclick = () => pin({ elements: { [row.ref]: { classification: { [system]: item } } } });
        classification.append(value);
      }
      cell(classification);
      const properties = document.createElement("span");
      for (const [property, value] of Object.entries(row.properties)) {
        const entry = text(property.slice(property.lastIndexOf("/") + 1) + " = " + value + "; ");
        entry.className = "pin";
        entry.title = property + "\nclick: pin this value to the last step";
        entry.onclick = () => pin({ elements: { [row.ref]: { properties: { [property]: value } } } });
        properties.append(entry);
      }
      cell(properties);
      const states = [];
      if (row.locked) states.push("locked");
      if (row.layerLocked) states.push("layer locked");
      if (row.hidden) states.push("hidden");
      if (row.hotlink) states.push("hotlink " + row.hotlink);
      if (row.holder) states.push("held by user " + row.holder);
      const stateCell = cell(text(states.join(", ") + " "));
      const lock = document.createElement("button");
      lock.textContent = row.locked ? "unlock" : "lock";
      lock.onclick = () => step({ do: "lockElements", elements: [row.ref], locked: !row.locked });
      stateCell.append(lock);
      body.append(tr);
    }
  }

  // ---- The transcript -----------------------------------------------------------------------

  async function pollLog() {
    try {
      const chunk = await api("/api/log?which=" + logWhich + "&after=" + logNext);
      if (chunk.next < logNext) {
        $("log").textContent = "";
      }
      if (chunk.text) {
        const log = $("log");
        const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
        log.append(chunk.text);
        if (atEnd) {
          log.scrollTop = log.scrollHeight;
        }
      }
      logNext = chunk.next;
    } catch (error) {
      /* the next poll tries again */
    }
  }

  // ---- Wiring -------------------------------------------------------------------------------

  async function refresh() {
    try {
      const [paletteData, projectData] = await Promise.all([api("/api/palette"), api("/api/project?offset=" + offset + "&count=" + pageSize)]);
      drawPalette(paletteData);
      drawProject(projectData);
      refreshPagePicture();
      pollLog();
      $("status").textContent = busy ? "running" : "ready";
    } catch (error) {
      $("status").textContent = "not reachable: " + error.message;
    }
  }

  document.addEventListener("click", (event) => {
    const button = event.target.closest("[data-step]");
    if (button) {
      step(JSON.parse(button.dataset.step));
    }
    if (!event.target.closest("#palette-menu")) {
      $("palette-menu").hidden = true;
    }
  });
  for (const [id, dw, dh] of [["resize-wider", 40, 0], ["resize-narrower", -40, 0], ["resize-taller", 0, 60], ["resize-shorter", 0, -60]]) {
    $(id).onclick = () => step({ do: "resize", dw: dw, dh: dh });
  }
  $("page-spec").onchange = fillClauses;
  $("page-form").onsubmit = (event) => {
    event.preventDefault();
    pageStep();
  };
  $("select-rows").onclick = () => step({ do: "select", elements: checkedRefs() });
  $("delete-rows").onclick = () => step({ do: "deleteElements", elements: checkedRefs() });
  $("reserve-rows").onclick = () => step({ do: "reserve", user: 2, elements: checkedRefs() });
  $("release-rows").onclick = () => step({ do: "release", elements: checkedRefs() });
  $("other-connection").onclick = () => step({ do: "receiveChanges", user: 2,
    changes: [{ do: "eraseModulData", name: "ConnectionWithSpecification:" + $("page-spec").value }] });
  $("other-lock").onclick = () => step({ do: "receiveChanges", user: 2, changes: [{ do: "lockElements", elements: checkedRefs() }] });
  $("select-type").onchange = async () => {
    const type = $("select-type").value;
    if (type) {
      step({ do: "select", elements: await api("/api/names?type=" + encodeURIComponent(type)) });
    }
  };
  $("story-select").onchange = () => step({ do: "changeStory", story: $("story-select").selectedOptions[0].text.replace(/^story /, "") });
  $("page-prev").onclick = () => { offset = Math.max(0, offset - pageSize); refresh(); };
  $("page-next").onclick = () => { if (project && offset + pageSize < project.total) { offset += pageSize; refresh(); } };
  $("step-send").onclick = () => {
    try {
      step(JSON.parse($("step-json").value));
    } catch (error) {
      say("not JSON: " + error.message);
    }
  };
  $("save").onclick = async () => {
    try {
      const saved = await api("/api/save", { file: $("scenario-name").value });
      say("saved " + saved.steps + " steps to " + saved.path + " (vantrel-sim run replays it)", true);
    } catch (error) {
      say(error.message);
    }
  };
  $("download").onclick = async () => {
    const response = await fetch("/api/scenario", { headers: { "X-Sandbox-Token": token } });
    const blob = new Blob([await response.text()], { type: "application/json" });
    window.open(URL.createObjectURL(blob), "_blank");
  };
  $("quit").onclick = async () => {
    await api("/api/quit", {});
    $("status").textContent = "quit: the run is finishing";
  };
  for (const radio of document.querySelectorAll("input[name=log]")) {
    radio.onchange = () => {
      logWhich = radio.value;
      logNext = 0;
      $("log").textContent = "";
      pollLog();
    };
  }
  setInterval(pollLog, 500);
  setInterval(() => { if (!busy) watchQuestion(); }, 1000);
  setInterval(() => { if (!busy) refreshPagePicture(); }, 2000);
  loadWebApp().then(refresh, (error) => say(error.message));
})();
