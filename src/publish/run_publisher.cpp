#include "publish/run_publisher.h"

#include "publish/link_page.h"

#include <QDir>

namespace kuvo {

RunPublisher::RunPublisher(const UploadSettings &upload)
    : uploader_(std::make_unique<FtpUploader>(upload)), historyPath_(defaultUploadHistoryPath()) {}

void RunPublisher::attach(BatchRun &run) {
  uploader_->clear();
  outcome_ = PublishOutcome();
  run.setUploadStep(uploader_.get());
  run.setAfterLoop([this](const ProcessingSettings &settings, RunSummary &summary) { afterLoop(settings, summary); });
}

QString RunPublisher::pdfClosingNote(const QString &pdfPath) {
  return QStringLiteral("PDF文件已保存为%1。").arg(QDir::toNativeSeparators(pdfPath));
}

QString RunPublisher::uploadClosingText(int uploaded, int failed) {
  if (failed == 0)
    return QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹并上传到网络。");
  return QStringLiteral("【提示】处理完毕！图片已保存到输出文件夹,%1张上传到网络,%2张上传失败。")
      .arg(uploaded)
      .arg(failed);
}

void RunPublisher::afterLoop(const ProcessingSettings &settings, RunSummary &summary) {
  // An upload run says how many pictures really went up.
  if (settings.upload && uploader_->failedCount() > 0)
    summary.closingText = uploadClosingText(uploader_->uploadedCount(), uploader_->failedCount());
  if (settings.makePdf) {
    outcome_.pdfTried = true;
    outcome_.pdf = MakePdf(settings, summary.pictureFiles());
    for (const QString &path : outcome_.pdf.skipped) {
      summary.errorText += path + QStringLiteral("在生成PDF文件时发生错误:无法读取图片。\r\n");
      summary.errorFlag = true;
    }
    if (!outcome_.pdf.ok) {
      summary.errorText += QDir(settings.outputFolder).filePath(pdfFileName(settings.pdfTitle)) +
                           QStringLiteral("在生成PDF文件时发生错误:") + outcome_.pdf.errorMessage +
                           QStringLiteral("\r\n");
      summary.errorFlag = true;
    } else {
      summary.closingText += pdfClosingNote(outcome_.pdf.path);
    }
  }
  if (settings.upload) {
    outcome_.linkPageTried = true;
    outcome_.urlsByIndex = mergedUrls_ ? *mergedUrls_ : uploader_->urlsByIndex(summary);
    QString page;
    QString why;
    if (funCreateHtm(settings, outcome_.urlsByIndex, historyPath_, &page, &why)) {
      outcome_.linkPagePath = page;
    } else {
      summary.errorText += QDir(settings.outputFolder).filePath(LinkPageName) +
                           QStringLiteral("在生成网页时发生错误:") + why + QStringLiteral("。\r\n");
      summary.errorFlag = true;
    }
  }
}

} // namespace kuvo
