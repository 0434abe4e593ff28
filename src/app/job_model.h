#pragma once
// The job being edited in the window: the current ProcessingSettings, shared
// by the panels. A panel changes the job only through this model and learns
// of the other panels' changes from its signals, never from their controls.
#include "engine/processing_settings.h"

#include <QObject>
#include <functional>

namespace kuvo {

class JobModel : public QObject {
  Q_OBJECT
public:
  // The field groups, one signal each.
  enum class Group {
    Size,        // size mode and boxes, crop, origin
    Overlays,    // border, text and picture watermarks
    Adjustments, // rotation, effect, brightness, colour matrix
    Output,      // folder, format, naming, publishing switches
    Options,     // the options dialog's values
    Captions,    // the per-entry captions
  };
  Q_ENUM(Group)

  explicit JobModel(QObject *parent = nullptr);

  const ProcessingSettings &settings() const { return job_; }

  // Changes fields of one group and announces the change.
  void change(Group group, const std::function<void(ProcessingSettings &)> &edit);
  // Changes fields without announcing them: values typed into a box that
  // take effect (preview, running job) only once confirmed.
  void store(const std::function<void(ProcessingSettings &)> &edit);
  // Announces a group as changed without editing it (a confirmed box).
  void announce(Group group);
  // Direct access for code that changes several fields and announces once.
  ProcessingSettings &fields() { return job_; }

  // While the job is being loaded (settings store, job file) the panels open
  // no dialogs and ask for no preview.
  bool isLoading() const { return loading_; }
  void setLoading(bool on) { loading_ = on; }

  // The folder the window's choosers open in (the last one chosen).
  const QString &chooserFolder() const { return chooserFolder_; }
  void setChooserFolder(const QString &folder) { chooserFolder_ = folder; }

  // "保持子文件夹结构": pictures of a folder added with its subfolders go
  // into the same folders below the output folder.
  bool keepFolderTree() const { return keepFolderTree_; }
  void setKeepFolderTree(bool on) { keepFolderTree_ = on; }

  // The "实时预览" switch: off, the preview is not computed. A run turns it
  // on for its length (its pictures are processed whatever the switch).
  bool livePreview() const { return livePreview_; }
  void setLivePreview(bool on);

signals:
  void sizeChanged();
  void overlaysChanged();
  void adjustmentsChanged();
  void outputChanged();
  void optionsChanged();
  void captionsChanged();
  void livePreviewChanged(bool on);
  // After any group's signal.
  void changed(kuvo::JobModel::Group group);

private:
  ProcessingSettings job_;
  QString chooserFolder_;
  bool loading_ = true;
  bool keepFolderTree_ = false;
  bool livePreview_ = true;
};

} // namespace kuvo
