#pragma once
// "4.设置输出参数": output format, renaming, output folder, the upload and
// PDF switches and the options buttons. Edits the job's output group.
#include "app/option_dialog.h"

#include <QGroupBox>
#include <QSet>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace kuvo {

class JobModel;
struct ProcessingSettings;

class OutputPanel : public QGroupBox {
  Q_OBJECT
public:
  explicit OutputPanel(JobModel *model, QWidget *parent = nullptr);

  // Cleans the folder, shows it and puts it into the job.
  void setOutputFolder(const QString &folder);
  // The folder chooser on the job's output folder.
  void chooseOutputFolder();
  // The upload switch, turned off again when the upload cannot happen.
  void setUploadOn(bool on);
  // The controls from a loaded job, each through its own handler.
  void applyJob(const ProcessingSettings &job);

signals:
  void status(const QString &text);
  void folderChosen(const QString &folder); // the chooser's last folder
  void uploadClicked(bool on);
  void optionsRequested(kuvo::frmOption::Face face);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  JobModel *model_;
  QComboBox *cmbEncode_ = nullptr;
  QCheckBox *chkRM_ = nullptr, *chkFtp_ = nullptr, *chkPDF_ = nullptr;
  QLineEdit *txtFileName_ = nullptr, *txtNum_ = nullptr;
  QPushButton *cmdODir_ = nullptr;
  QLabel *lOut_ = nullptr;
  QMenu *mFN_ = nullptr;
  QSet<QObject *> firstClickDone_;
};

} // namespace kuvo
