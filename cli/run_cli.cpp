// RunCli: the subcommand table, the help texts and the dispatch.
#include <cstdio>

#include "cli/commands.h"
#include "cli/edit_session.h"
#include "cli/open_model.h"

namespace torvane {
namespace {

constexpr CliCommand kCommands[] = {
    {"info", "show the objects, sizes and bounds of model files",
     "usage: torvane-cli info FILE... [--json]\n"
     "\n"
     "Opens each FILE as Torvane's Open does and prints its file type, every\n"
     "object's id, name, vertex and triangle counts and world bounds, and the\n"
     "totals. FBX files are read through the modelrelay converter.\n"
     "\n"
     "  --json   one JSON object per file and line:\n"
     "           {\"file\", \"result\", \"fileType\", \"description\", \"objects\":\n"
     "           [{\"id\", \"name\", \"vertices\", \"triangles\", \"min\", \"max\"}],\n"
     "           \"vertices\", \"triangles\"}, plus \"message\" when the program\n"
     "           has something to report (failure, no meshes)\n",
     RunInfo},
    {"convert", "open a model file and save it in the format of another name",
     "usage: torvane-cli convert IN OUT\n"
     "\n"
     "Opens IN as Torvane's Open does (an FBX file through the modelrelay\n"
     "converter) and saves the objects to OUT as Save As does; OUT's extension\n"
     "(.tvx, .stl, .obj, .ply, .3mf, .3ds) picks the format.\n",
     RunConvert},
    {"primitive", "save a new cube, sphere, icosahedron or torus",
     "usage: torvane-cli primitive cube|sphere|icosahedron|torus [IN] OUT\n"
     "\n"
     "Adds the shape to a new document, or to the objects of IN opened as\n"
     "Torvane's Open does, as Torvane's Add commands do (cube edge 10, sphere\n"
     "radius 5, icosahedron circumradius 5, torus 10 across and 2 deep, at the\n"
     "origin, in the default colour) and saves it to OUT as Save As does.\n",
     RunPrimitive},
    {"clean", "remove duplicate vertices, then duplicate triangles",
     "usage: torvane-cli clean IN OUT\n"
     "\n"
     "Opens IN, runs Remove Duplicate Vertices and then Remove Duplicate\n"
     "Triangles on every object, prints both status texts and saves to OUT.\n",
     RunClean},
    {"split", "make every connected part an object of its own",
     "usage: torvane-cli split IN OUT\n"
     "\n"
     "Opens IN, runs Split Objects on every object (parts are connected by\n"
     "shared vertices; run clean first to weld touching pieces), prints the\n"
     "status text and saves to OUT.\n",
     RunSplit},
    {"group", "combine all objects into one",
     "usage: torvane-cli group IN OUT\n"
     "\n"
     "Opens IN, runs Group Objects on every object, prints the status text and\n"
     "saves to OUT.\n",
     RunGroup},
    {"boolean", "combine the objects by union, subtraction or intersection",
     "usage: torvane-cli boolean union|subtract|intersect IN... OUT\n"
     "\n"
     "Opens every IN (a file may hold several objects) and runs Union,\n"
     "Subtract or Intersection on all their objects in the order given; the\n"
     "first object is the target of subtract. Prints the notice and saves the\n"
     "result to OUT.\n",
     RunBoolean},
    {"normals", "invert or recalculate the normals",
     "usage: torvane-cli normals invert|recalculate IN OUT\n"
     "\n"
     "Opens IN, runs Invert Normals or Recalculate Normals on every object\n"
     "without a 2D outline and saves to OUT.\n",
     RunNormals},
    {"winding", "reverse the winding order of every triangle",
     "usage: torvane-cli winding IN OUT\n"
     "\n"
     "Opens IN, runs Reverse Winding Order (triangles reversed, normals\n"
     "inverted) on every object without a 2D outline and saves to OUT.\n",
     RunWinding},
    {"subdivide", "subdivide every triangle into 3 or into 4",
     "usage: torvane-cli subdivide 3|4 IN OUT\n"
     "\n"
     "Opens IN, runs Subdivide all triangles into 3 (around each centroid) or\n"
     "into 4 (at the edge midpoints) on every object and saves to OUT.\n",
     RunSubdivide},
    {"origin", "centre objects on the grid origin or move their origins",
     "usage: torvane-cli origin center|reset|grid IN OUT\n"
     "\n"
     "Opens IN, runs one origin command on every object and saves to OUT:\n"
     "  center   Center on Grid Origin (the object moves)\n"
     "  reset    Reset Object Origin to its own Center\n"
     "  grid     Reset Object Origin to Grid Origin\n",
     RunOrigin},
    {"outline", "draw a 2D outline and extrude it or form it by slices",
     "usage: torvane-cli outline front|right|top SHAPE NUMBERS... CONVERSION OUT\n"
     "\n"
     "Draws one outline on the view's drawing plane through the origin, as the\n"
     "2D views draw it, turns it into a solid and saves it to OUT as Save As\n"
     "does. Points take the plane's own two coordinates (front: x y; right:\n"
     "y z; top: x z).\n"
     "\n"
     "SHAPE:\n"
     "  circle CX CY R               centre, and the pointer R along the first axis\n"
     "  ellipse X1 Y1 X2 Y2          the drag box\n"
     "  rectangle X1 Y1 X2 Y2        two opposite corners\n"
     "  line X1 Y1 X2 Y2 X3 Y3 ...   a line chain, closed by the conversion\n"
     "CONVERSION:\n"
     "  extrude DEPTH                Extrude 3D, the cap moved DEPTH (> 0) out\n"
     "  slices horizontal|vertical   Form 3D by horizontal or vertical slices\n",
     RunOutline},
};

constexpr std::string_view kProgramUsage = "usage: torvane-cli COMMAND [ARGUMENTS...]\n";

bool IsHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

void PrintOverview(std::FILE* stream) {
  std::fprintf(stream, "%.*s\nCommands:\n", int(kProgramUsage.size()), kProgramUsage.data());
  for (const CliCommand& command : kCommands) {
    std::fprintf(stream, "  %-10.*s %.*s\n", int(command.name.size()), command.name.data(),
                 int(command.summary.size()), command.summary.data());
  }
  std::fprintf(stream,
               "\n'torvane-cli COMMAND --help' describes one command.\n"
               "Exit status: 0 success, 1 cancelled (Ctrl-C), 2 failure.\n");
}

}  // namespace

std::span<const CliCommand> CliCommands() {
  return kCommands;
}

const CliCommand* FindCliCommand(std::string_view name) {
  for (const CliCommand& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

int UsageError(const CliCommand& command, const std::string& problem) {
  std::fprintf(stderr, "torvane-cli %.*s: %s\n\n%.*s", int(command.name.size()),
               command.name.data(), problem.c_str(), int(command.usage.size()),
               command.usage.data());
  return kExitFailure;
}

int RunCli(std::span<const std::string> args) {
  if (args.empty()) {
    PrintOverview(stderr);
    return kExitFailure;
  }
  if (IsHelp(args[0]) || args[0] == "help") {
    if (args.size() > 1) {
      for (const CliCommand& command : kCommands) {
        if (command.name == args[1]) {
          std::fprintf(stdout, "%.*s", int(command.usage.size()), command.usage.data());
          return kExitSuccess;
        }
      }
    }
    PrintOverview(stdout);
    return kExitSuccess;
  }
  for (const CliCommand& command : kCommands) {
    if (command.name != args[0]) continue;
    const std::span<const std::string> rest = args.subspan(1);
    for (const std::string& arg : rest) {
      if (IsHelp(arg)) {
        std::fprintf(stdout, "%.*s", int(command.usage.size()), command.usage.data());
        return kExitSuccess;
      }
    }
    InstallCancelHandler();
    TerminalProgress progress;
    return command.run(rest, progress);
  }
  std::fprintf(stderr, "torvane-cli: unknown command '%s'\n\n", args[0].c_str());
  PrintOverview(stderr);
  return kExitFailure;
}

}  // namespace torvane
