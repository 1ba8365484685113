// The "Design a label" page's own part, below PAPPL's printer header and
// inside the form PAPPL starts (which carries the session field): the
// fields, the preview, and the script that turns the fields into a label
// template. No external resources: the style and the script are here.
// Internal to design_page.cpp.
#ifndef QUILLORY2_PRINTERAPP_DESIGN_PAGE_HTML_H_
#define QUILLORY2_PRINTERAPP_DESIGN_PAGE_HTML_H_

namespace printerapp {

constexpr const char kDesignPageHtml[] = R"HTML(
<style>
.q2d { display: grid; grid-template-columns: minmax(0, 1fr); gap: 16px; max-width: 1200px; }
@media (min-width: 820px) { .q2d { grid-template-columns: minmax(300px, 440px) minmax(0, 1fr); } }
.q2d fieldset { border: 1px solid #ccc; border-radius: 6px; margin: 0 0 12px 0; padding: 8px 12px; }
.q2d legend { font-weight: bold; }
.q2d label { display: block; margin: 6px 0 2px 0; }
.q2d input[type=text], .q2d input[type=number], .q2d select, .q2d textarea {
  width: 100%; box-sizing: border-box; font-size: 16px; padding: 6px; }
.q2d textarea { min-height: 7em; font-family: monospace; }
.q2d .pair { display: grid; grid-template-columns: repeat(3, minmax(0, 1fr)); gap: 8px; }
.q2d input, .q2d select, .q2d button { max-width: 100%; min-width: 0; }
.q2d .buttons { display: flex; flex-wrap: wrap; gap: 8px; margin: 8px 0; }
.q2d .buttons button, .q2d .buttons label.button { font-size: 16px; padding: 10px 16px; border-radius: 6px;
  border: 1px solid #888; background: #f4f4f4; cursor: pointer; margin: 0; }
.q2d button.primary { background: #1a3c8c; color: #fff; border-color: #1a3c8c; }
.q2d #preview { width: 100%; max-width: 720px; height: auto; border-radius: 50%; background: #ddd; display: block; }
.q2d #status { min-height: 1.5em; margin: 8px 0; white-space: pre-wrap; }
.q2d #status.error { color: #a00000; }
</style>
<div class="q2d">
 <div>
  <fieldset><legend>Disc</legend>
   <div class="pair">
    <div><label for="disc-size">Size</label><select id="disc-size"><option value="120">120 mm</option><option value="80">80 mm</option></select></div>
    <div><label for="bg-colour">Background</label><input type="color" id="bg-colour" value="#ffffff"></div>
    <div><label for="photo-fit">Photo</label><select id="photo-fit"><option value="fill">fill the disc</option><option value="fit">whole photo</option></select></div>
   </div>
   <label for="photo">Photo (PNG or JPEG, at most 16 MB)</label><input type="file" id="photo" accept="image/png,image/jpeg">
   <div class="pair">
    <div><label for="photo-zoom">Zoom</label><input type="number" id="photo-zoom" value="1" min="0.1" max="20" step="0.1"></div>
    <div><label for="photo-rotate">Turn (°)</label><input type="number" id="photo-rotate" value="0" min="-360" max="360" step="90"></div>
    <div><label>&nbsp;</label><button type="button" id="photo-clear">No photo</button></div>
   </div>
  </fieldset>
  <fieldset><legend>Title (along the top)</legend>
   <input type="text" id="title" maxlength="200" value="My Disc">
   <div class="pair">
    <div><label for="title-font">Font</label><select id="title-font" class="font"></select></div>
    <div><label for="title-size">Size (pt)</label><input type="number" id="title-size" value="20" min="4" max="72"></div>
    <div><label for="title-colour">Colour</label><input type="color" id="title-colour" value="#1a3c8c"></div>
   </div>
   <label><input type="checkbox" id="title-bold" checked> Bold</label>
  </fieldset>
  <fieldset><legend>Subtitle (along the bottom)</legend>
   <input type="text" id="subtitle" maxlength="200" value="">
   <div class="pair">
    <div><label for="subtitle-font">Font</label><select id="subtitle-font" class="font"></select></div>
    <div><label for="subtitle-size">Size (pt)</label><input type="number" id="subtitle-size" value="12" min="4" max="72"></div>
    <div><label for="subtitle-colour">Colour</label><input type="color" id="subtitle-colour" value="#505050"></div>
   </div>
  </fieldset>
  <fieldset><legend>Text line</legend>
   <input type="text" id="line" maxlength="200" value="">
   <div class="pair">
    <div><label for="line-y">Down from the centre (mm)</label><input type="number" id="line-y" value="-25" min="-58" max="58"></div>
    <div><label for="line-size">Size (pt)</label><input type="number" id="line-size" value="12" min="4" max="72"></div>
    <div><label for="line-colour">Colour</label><input type="color" id="line-colour" value="#000000"></div>
   </div>
  </fieldset>
  <fieldset><legend>Track list</legend>
   <textarea id="tracks" placeholder="One track per line, or paste a CUE sheet"></textarea>
   <div class="pair">
    <div><label for="tracks-columns">Columns</label><select id="tracks-columns"><option>1</option><option selected>2</option></select></div>
    <div><label for="tracks-region">Where</label><select id="tracks-region"><option value="bottom">below the hub</option><option value="top">above</option><option value="left">left</option><option value="right">right</option></select></div>
    <div><label for="tracks-size">Size (pt)</label><input type="number" id="tracks-size" value="9" min="4" max="36"></div>
   </div>
  </fieldset>
  <fieldset><legend>Printing</legend>
   <div class="pair">
    <div><label for="resolution">Resolution</label><select id="resolution"><option value="300x600dpi">300 × 600 dpi</option><option value="300x300dpi">300 × 300 dpi</option></select></div>
    <div><label for="colour-mode">Colour</label><select id="colour-mode"><option value="color">colour</option><option value="monochrome">black</option></select></div>
    <div><label for="media">Disc surface</label><select id="media"><option value="disc">regular</option><option value="disc-matte">matte</option></select></div>
   </div>
  </fieldset>
 </div>
 <div>
  <img id="preview" alt="Preview of the label on the disc">
  <div id="status" role="status"></div>
  <div class="buttons">
   <button type="button" id="print" class="primary">Print</button>
   <button type="button" id="download">Download template</button>
   <label class="button" for="upload">Upload template</label><input type="file" id="upload" accept=".json,application/json" hidden>
  </div>
 </div>
</div>
<script>
(function () {
  "use strict";
  var form = document.getElementById("form");
  var session = form.querySelector("input[name=session]").value;
  var base = { format: "quillory2-label", version: 1 };  // what an uploaded template holds beyond the fields
  var photo = null;
  var $ = function (id) { return document.getElementById(id); };
  var fonts = ["DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"];
  Array.prototype.forEach.call(document.querySelectorAll("select.font"), function (s) {
    fonts.forEach(function (f) { var o = document.createElement("option"); o.textContent = f; s.appendChild(o); });
  });
  form.addEventListener("submit", function (e) { e.preventDefault(); });

  function num(id) { return Number($(id).value); }
  // A part of the template from its fields, over what an uploaded template
  // held for it (radius, angle, spacing...), or over the page's defaults.
  function merged(old, fresh) {
    var o = Object.assign({}, old, fresh);
    if (old && old.font) o.font = Object.assign({}, old.font, fresh.font);
    return o;
  }
  function template() {
    var t = JSON.parse(JSON.stringify(base));
    t.format = "quillory2-label"; t.version = 1;
    var size = num("disc-size");
    if (!t.disc || t.disc.size_mm !== size) t.disc = { size_mm: size };
    t.background = { colour: $("bg-colour").value };
    if (photo) t.background.photo = merged((base.background || {}).photo,
                                           { data: photo, fit: $("photo-fit").value, zoom: num("photo-zoom"),
                                             rotate_deg: num("photo-rotate") });
    var old = base.arc_texts || [], arcs = old.slice(2);
    if ($("subtitle").value) arcs.unshift(merged(old[1] || { side: "bottom", radius_mm: 51, angle_deg: 0, letter_spacing_pt: 0 },
        { text: $("subtitle").value, colour: $("subtitle-colour").value,
          font: { family: $("subtitle-font").value, size_pt: num("subtitle-size") } }));
    if ($("title").value) arcs.unshift(merged(old[0] || { side: "top", radius_mm: 50, angle_deg: 0, letter_spacing_pt: 0 },
        { text: $("title").value, colour: $("title-colour").value,
          font: { family: $("title-font").value, size_pt: num("title-size"), weight: $("title-bold").checked ? "bold" : "normal" } }));
    t.arc_texts = arcs;
    var oldTexts = base.texts || [], texts = oldTexts.slice(1);
    if ($("line").value) texts.unshift(merged(oldTexts[0] || { x_mm: 0, align: "centre", font: { family: "DejaVu Sans" } },
        { text: $("line").value, y_mm: num("line-y"), colour: $("line-colour").value, font: { size_pt: num("line-size") } }));
    t.texts = texts;
    var tracks = $("tracks").value;
    delete t.track_list;
    if (tracks.trim()) {
      var list = merged(base.track_list || { font: { family: "DejaVu Sans" } },
                        { columns: num("tracks-columns"), region: $("tracks-region").value,
                          font: { size_pt: num("tracks-size") } });
      list.min_size_pt = Math.min(list.min_size_pt || 6, num("tracks-size"));
      delete list.cue; delete list.entries;
      if (/^\s*TRACK\s+\d+/m.test(tracks)) list.cue = tracks;
      else list.entries = tracks.split("\n").map(function (l) { return l.trim(); }).filter(Boolean);
      t.track_list = list;
    }
    return t;
  }
  function fill(t) {
    base = t;
    var arcs = t.arc_texts || [], top = arcs[0] || {}, bottom = arcs[1] || {};
    $("disc-size").value = String((t.disc && t.disc.size_mm) || 120);
    $("bg-colour").value = (t.background && t.background.colour) || "#ffffff";
    var p = t.background && t.background.photo;
    photo = p ? p.data : null;
    if (p) { $("photo-fit").value = p.fit || "fill"; $("photo-zoom").value = p.zoom || 1; $("photo-rotate").value = p.rotate_deg || 0; }
    $("title").value = top.text || ""; $("subtitle").value = bottom.text || "";
    if (top.font) { $("title-size").value = top.font.size_pt || 20; $("title-bold").checked = top.font.weight === "bold" || top.font.weight >= 600; }
    if (bottom.font) $("subtitle-size").value = bottom.font.size_pt || 12;
    if (((t.texts || [])[0] || {}).font) $("line-size").value = t.texts[0].font.size_pt || 12;
    if ((t.track_list || {}).font) $("tracks-size").value = t.track_list.font.size_pt || 9;
    if (top.colour) $("title-colour").value = top.colour;
    if (bottom.colour) $("subtitle-colour").value = bottom.colour;
    var line = (t.texts || [])[0] || {};
    $("line").value = line.text || ""; if (line.y_mm !== undefined) $("line-y").value = line.y_mm;
    if (line.colour) $("line-colour").value = line.colour;
    var tl = t.track_list || {};
    $("tracks").value = tl.cue || (tl.entries || []).join("\n");
    if (tl.columns) $("tracks-columns").value = String(tl.columns);
    if (tl.region) $("tracks-region").value = tl.region;
    // Fonts the page does not list stay in the template as they are.
    [["title-font", top], ["subtitle-font", bottom]].forEach(function (pair) {
      var f = pair[1].font && pair[1].font.family, s = $(pair[0]);
      if (f && fonts.indexOf(f) < 0) { var o = document.createElement("option"); o.textContent = f; s.appendChild(o); }
      if (f) s.value = f;
    });
  }
  function say(text, error) { var s = $("status"); s.textContent = text; s.className = error ? "error" : ""; }
  function post(what, extra) {
    var body = new URLSearchParams();
    body.set("session", session);
    body.set("template", JSON.stringify(template()));
    Object.keys(extra || {}).forEach(function (k) { body.set(k, extra[k]); });
    return fetch(location.pathname.replace(/\/$/, "") + "/" + what, { method: "POST", body: body, credentials: "same-origin" });
  }
  var timer = null, generation = 0;
  function preview() {
    var mine = ++generation;
    $("preview").removeAttribute("data-ready");
    post("preview").then(function (r) {
      if (!r.ok) return r.text().then(function (t) { throw new Error(t); });
      return r.blob();
    }).then(function (blob) {
      if (mine !== generation) return;
      var img = $("preview"), old = img.src;
      img.onload = function () { img.setAttribute("data-ready", String(mine)); if (old) URL.revokeObjectURL(old); };
      img.src = URL.createObjectURL(blob);
      say("");
    }).catch(function (e) { if (mine === generation) say(e.message, true); });
  }
  function later() { clearTimeout(timer); timer = setTimeout(preview, 350); }
  Array.prototype.forEach.call(document.querySelectorAll(".q2d input, .q2d select, .q2d textarea"), function (el) {
    if (el.type !== "file") el.addEventListener("input", later);
    el.addEventListener("change", later);
  });
  $("photo").addEventListener("change", function () {
    var f = this.files[0];
    if (!f) return;
    if (f.size > 16 * 1024 * 1024) { say("The photo is larger than 16 MB.", true); return; }
    var reader = new FileReader();
    reader.onload = function () {
      if (!/^data:image\/(png|jpeg);base64,/.test(reader.result)) { say("The photo must be a PNG or JPEG picture.", true); return; }
      photo = reader.result; preview();
    };
    reader.readAsDataURL(f);
  });
  $("photo-clear").addEventListener("click", function () { photo = null; $("photo").value = ""; preview(); });
  $("print").addEventListener("click", function () {
    say("Sending the label to the printer…");
    post("print", { "printer-resolution": $("resolution").value, "print-color-mode": $("colour-mode").value,
                    "media-type": $("media").value }).then(function (r) {
      return r.text().then(function (t) { if (!r.ok) throw new Error(t); say(t); });
    }).catch(function (e) { say(e.message, true); });
  });
  $("download").addEventListener("click", function () {
    var a = document.createElement("a");
    a.href = URL.createObjectURL(new Blob([JSON.stringify(template(), null, 2) + "\n"], { type: "application/json" }));
    a.download = "label.json"; document.body.appendChild(a); a.click(); a.remove();
  });
  $("upload").addEventListener("change", function () {
    var f = this.files[0];
    if (!f) return;
    f.text().then(function (text) { fill(JSON.parse(text)); preview(); })
           .catch(function (e) { say("Not a label template: " + e.message, true); });
    this.value = "";
  });
  preview();
})();
</script>
)HTML";

}  // namespace printerapp

#endif  // QUILLORY2_PRINTERAPP_DESIGN_PAGE_HTML_H_
