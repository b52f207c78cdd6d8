// Writes the window's layout as JSON, for the programs that drive the real window from outside
// (the end-to-end tests, the bad-surroundings test, the benchmark):  layout_json <out-file>
//
//   {"client":[642,482],"controls":{
//   "Image1":{"kind":"clickarea","parent":"menu","rect":[233,225,177,41],"reach":[233,225,177,41],"centre":[321,245]},
//   ...}}
//
// Every control of the scene as laid out, in client coordinates: `rect` is its outer rectangle,
// `reach` the part of it that can show and take clicks (within its containers' inner areas and
// the client area), `centre` the middle of that part. Labels that size themselves to their
// captions have their design size here.
#include <cstdio>
#include <string>

#include "replay/json_text.h"
#include "scene/scene.h"

namespace {

const char *kindName(nad::Kind k) {
  switch (k) {
  case nad::Kind::Panel: return "panel";
  case nad::Kind::Label: return "label";
  case nad::Kind::ClickArea: return "clickarea";
  case nad::Kind::TextBox: return "textbox";
  }
  return "?";
}

void appendRect(std::string &out, const nad::ClientRect &r) {
  out += '[';
  for (int v : {r.x, r.y, r.w, r.h}) {
    if (out.back() != '[') out += ',';
    nad::replay::appendInt(out, v);
  }
  out += ']';
}

} // namespace

int main(int argc, char **argv) {
  using nad::replay::appendInt, nad::replay::appendString;
  if (argc != 2) {
    std::fprintf(stderr, "usage: layout_json <out-file>\n");
    return 2;
  }
  const nad::Scene scene;
  std::string out = "{\"client\":[";
  appendInt(out, nad::kClientWidth);
  out += ',';
  appendInt(out, nad::kClientHeight);
  out += "],\"controls\":{";
  for (int i = 0; i < nad::ControlCount; ++i) {
    const nad::Id id = nad::Id(i);
    const nad::Control &c = scene[id];
    const nad::ClientRect reach = scene.reachableRect(id);
    out += i == 0 ? "\n" : ",\n";
    appendString(out, c.name);
    out += ":{\"kind\":";
    appendString(out, kindName(c.kind));
    out += ",\"parent\":";
    appendString(out, c.parent == nad::Form1 ? "Form1" : scene[c.parent].name);
    out += ",\"rect\":";
    appendRect(out, scene.clientRect(id));
    out += ",\"reach\":";
    appendRect(out, reach);
    out += ",\"centre\":[";
    appendInt(out, reach.centreX());
    out += ',';
    appendInt(out, reach.centreY());
    out += "]}";
  }
  out += "\n}}\n";
  std::FILE *f = std::fopen(argv[1], "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
