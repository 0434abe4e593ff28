#pragma once
// frmOption: the options dialog ("选项") and, with only its PDF frame shown,
// the PDF settings dialog ("PDF参数设置"). It fills its controls from the
// values it is given; "确定" stores every value in the settings store in a
// fixed order, "取消" stores nothing.
#include <QDialog>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace kuvo {

struct OptionValues {
  int jpegQuality = 100;  // a byte
  int slideSeconds = 3;   // a 16-bit integer
  bool autoOpenFolder = true;
  bool autoOpenLinkPage = true;
  bool linkPageShowUrl = true;
  bool linkPageShowPicture = true;
  bool saveErrorLog = false;
  bool cropToFit = true;
  bool showToday = true;
  bool newVersion = true;
  bool keepSmall = false;
  int cropAnchorX = 1;
  int cropAnchorY = 0;
  QString pdfTitle, pdfSignature, pdfDate;
  bool keepExif = true;
  bool stripGps = false;
  bool keepGps = false;  // an upload run keeps the GPS position
  int maxJpegKb = 0;     // 0: no limit
  int existingFiles = 0; // ExistingFiles: 0 overwrite, 1 skip, 2 rename
  bool keepFolderTree = false; // a folder added with its subfolders keeps its tree in the output folder
};

class frmOption : public QDialog {
  Q_OBJECT
public:
  enum Face { Options, Pdf };
  frmOption(Face face, const OptionValues &current, QWidget *parent = nullptr);

  // What "确定" stored (the values given when not confirmed).
  const OptionValues &values() const { return values_; }
  Face face() const { return face_; }

  // The text rules of the confirm step: a quality that is not a whole number
  // 0-255, an interval that is not a 16-bit integer, a size limit that is not
  // a whole number 0-1000000 keep the previous value.
  static int qualityFrom(const QString &text, int previous);
  static int intervalFrom(const QString &text, int previous);
  static int sizeLimitFrom(const QString &text, int previous);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void confirm();
  void updateEnabling();

  Face face_;
  OptionValues values_;
  QGroupBox *frameSet_ = nullptr, *framePDF_ = nullptr;
  QLineEdit *hsOpt_[2] = {};
  QCheckBox *chkAutoODir_ = nullptr, *chkAutoURL_ = nullptr, *chkShowURL_ = nullptr, *chkShowURLPic_ = nullptr,
            *chkSaveErr_ = nullptr, *chkJQ_ = nullptr, *chkNewVer_ = nullptr, *chkShowToday_ = nullptr,
            *chkResizeOpt_ = nullptr, *chkKeepExif_ = nullptr, *chkStripGps_ = nullptr, *chkKeepGps_ = nullptr,
            *chkKeepTree_ = nullptr;
  QRadioButton *optExisting_[3] = {}; // overwrite, skip, rename
  QLineEdit *txtMaxKB_ = nullptr;
  QRadioButton *Option_[7] = {}; // 1-6 as in the window design
  QLineEdit *txtPDF_[4] = {};    // 1-3
};

} // namespace kuvo
