#include "render/graphics_check.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>

#include "platform/large_blocks.h"

namespace torvane {
namespace {

QSurfaceFormat BaseFormat() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setVersion(3, 3);
  format.setProfile(QSurfaceFormat::CoreProfile);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(8);
  format.setSamples(0);
  return format;
}

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

struct ProbeResult {
  bool usable = false;
  std::string renderer;
};

// Creates a 3.3 core context, makes it current on an offscreen surface and
// reads the renderer string.
ProbeResult RunProbe() {
  ProbeResult result;
  QOpenGLContext context;
  context.setFormat(BaseFormat());
  if (!context.create()) return result;
  QSurfaceFormat got = context.format();
  if (got.majorVersion() < 3 || (got.majorVersion() == 3 && got.minorVersion() < 3)) {
    return result;
  }
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface)) return result;
  const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
  result.renderer = name ? name : "";
  result.usable = true;
  context.doneCurrent();
  return result;
}

// The first probe that could run (with an application object) is kept.
std::optional<ProbeResult> g_probe;

const ProbeResult* CachedProbe() {
  if (!g_probe && QGuiApplication::instance()) g_probe = RunProbe();
  return g_probe ? &*g_probe : nullptr;
}

}  // namespace

bool IsSoftwareRenderer(std::string_view rendererName) {
  std::string name = Lowered(rendererName);
  for (const char* word : {"llvmpipe", "softpipe", "swrast", "software rasterizer"}) {
    if (name.find(word) != std::string::npos) return true;
  }
  return false;
}

int ChooseSampleCount(bool softwareRenderer, const char* overrideText) {
  if (overrideText) {
    std::string text = Lowered(overrideText);
    if (text == "off") return 0;
    char* end = nullptr;
    long count = std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && end && *end == '\0') {
      return static_cast<int>(std::clamp(count, 0L, long{kMaximumSampleCount}));
    }
  }
  return softwareRenderer ? 0 : kHardwareSampleCount;
}

bool KeepRendererMemory(std::string_view rendererName) {
  static bool kept = false;
  if (kept || !IsSoftwareRenderer(rendererName)) return kept;
  kept = KeepFreedMemory();
  return kept;
}

std::string OpenGLRendererName() {
  const ProbeResult* probe = CachedProbe();
  return probe ? probe->renderer : std::string();
}

QSurfaceFormat ViewSurfaceFormat() {
  QSurfaceFormat format = BaseFormat();
  format.setSamples(ChooseSampleCount(IsSoftwareRenderer(OpenGLRendererName()),
                                      std::getenv(kMultisampleVariable)));
  return format;
}

void InstallViewSurfaceFormat() {
  QSurfaceFormat::setDefaultFormat(BaseFormat());
}

bool ProbeOpenGL33() {
  const ProbeResult* probe = CachedProbe();
  return probe ? probe->usable : RunProbe().usable;
}

QMessageBox* CreateGraphicsFailureDialog(QWidget* parent) {
  auto* box = new QMessageBox(parent);
  box->setIcon(QMessageBox::Critical);
  box->setWindowTitle(QString::fromLatin1(kGraphicsFailureTitle));
  box->setText(QStringLiteral("The Torvane could not initialize the required graphics."));
  box->setInformativeText(QStringLiteral(
      "Reason: Unable to initialize OpenGL 3.3.\n\n"
      "This could be because graphics drivers are not up-to-date.  Update the graphics card "
      "drivers and then run Torvane again.\n\n"
      "Torvane will now close."));
  QPushButton* help =
      box->addButton(QString::fromLatin1(kGraphicsHelpButton), QMessageBox::HelpRole);
  QPushButton* close =
      box->addButton(QString::fromLatin1(kGraphicsCloseButton), QMessageBox::RejectRole);
  box->setDefaultButton(close);
  box->setEscapeButton(close);
  // The help button must not end the dialog: take it out of the box's own
  // click handling and open the page instead.
  help->disconnect();
  QObject::connect(help, &QAbstractButton::clicked, box,
                   [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kGraphicsHelpUrl))); });
  return box;
}

void ShowGraphicsFailureDialog() {
  QMessageBox* box = CreateGraphicsFailureDialog();
  box->exec();
  delete box;
}

}  // namespace torvane
