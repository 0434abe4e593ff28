#include "cli/cli_options.h"

#include "engine/size_presets.h"
#include "platform/program_paths.h"

namespace kuvo::cli {

QString presetListText() {
  const QVector<SizePreset> presets = loadSizePresets(programDataDir() + QStringLiteral("/size.ini"));
  if (presets.isEmpty())
    return QStringLiteral("size.ini 中没有尺寸预设。\n");
  QString text;
  for (int i = 0; i < presets.size(); ++i)
    text += QStringLiteral("%1\t%2 × %3\t%4\n").arg(i + 1).arg(presets[i].width, presets[i].height, presets[i].name);
  return text;
}

QString helpText() {
  return QStringLiteral(R"(用法: kuvo-batch [选项] 图片或文件夹...

把图片按同一任务批量处理：缩放、裁剪、旋转、特效、边框、水印、改名并保存。

输入:
  图片或文件夹          图片文件(jpg/jpeg/jpe/bmp/gif/png/tif/tiff/webp/heic/heif/avif)；文件夹中的图片按名称顺序处理
  Word文档              .docx/.doc 文档中的图片按文档顺序处理(.doc 需要安装 LibreOffice)
  -r, --recursive       同时处理子文件夹中的图片，输出文件夹中保留同样的子文件夹结构
  --flat                与 -r 同用：所有输出都直接放进输出文件夹(同名的会互相覆盖)
  --job 文件            从任务文件(INI，[Options] 段，键名同设置)读取设置；命令行选项优先

尺寸:
  --size 方式           width(限制宽度) | border(适应边框) | original(原始尺寸)
                        | custom(自定义尺寸) | size.ini 中预设的编号或名称(名称的开头即可)
                        默认 width
  --list-presets        列出 size.ini 中的预设及其编号
  --width N             宽度(像素)，默认 800
  --height N            高度(像素)；不指定 --size 时表示自定义尺寸，默认 600
  --fit crop|pad        比例不同时裁剪(crop，默认)或扩展画布(pad)
  --crop-x left|center|right    横向裁剪保留的部分，默认 center
  --crop-y top|center|bottom    纵向裁剪保留的部分，默认 top
  --keep-small          小图片不放大(保持原有尺寸)
  --origin X,Y          图片在画布上的起点(像素)
  --channels R,G,B      红、绿、蓝通道系数，默认 1,1,1
  --matrix 25个数字     5×5 颜色矩阵，按行排列，逗号分隔

旋转和特效:
  --rotate 方式         none | auto(按照片方向自动旋转) | cw(顺转90度) | ccw(逆转90度)
                        | 180 | flip-rows(水平镜像) | flip-columns(垂直镜像)
  --effect 特效         none | beautify(一键美容) | sharpen(棱角分明) | warm(暖黄记忆)
                        | purple(华贵绛紫) | sepia(棕褐怀旧) | night(夜色朦胧) | old(陈旧往事)
                        | scanlines(扫描线) | emboss(浮雕) | grey(灰度) | mono(黑白)
                        | negative(底片)，或编号 0-11
  --brightness N        调整亮度，-75 到 75

边框和水印:
  --border 文件         边框图片(PNG，透明部分显示原图)
  --watermark 文件      图片水印
  --watermark-anchor A  br(右下，默认) | bl(左下) | tl(左上) | tr(右上) | center(居中)
                        | free(自定义) | tile(平铺：重复铺满整张图片) 或 0-6
  --watermark-pos X,Y   自定义位置：水印中心占图片宽、高的比例
  --watermark-scale F   水印缩放倍数，默认 1
  --opacity PCT         水印不透明度 0-100，默认 80
  --text 文字           文字水印；可用 #当前日期# #当前时间# #JPG照片拍摄时间# #图片原文件名#
  --text-anchor A       文字位置，取值同 --watermark-anchor
  --text-opacity PCT    文字不透明度 0-100，默认 100
  --tile-angle DEG      平铺水印的倾斜角度 -90 到 90 度，负数向右上倾斜，默认 -30
  --tile-spacing PCT    平铺水印之间的间距，占水印宽、高的百分比 0-1000，默认 100
                        (平铺时 --watermark-pos、--text-pos 给出其中一个水印的位置)
  --text-pos X,Y        自定义位置：文字左上角占图片宽、高的比例
  --font 名称           字体，默认 宋体
  --font-size PT        字号(磅)，默认 9
  --color #RRGGBB       文字颜色，默认 #000000
  --bold  --italic  --underline   粗体、斜体、下划线

输出:
  -o, --output 文件夹   输出文件夹(不存在时自动创建)，默认为程序目录下的 zp
  --format 格式         original(原格式) | jpg | png | tiff | bmp | webp，默认 jpg；
                        原格式下 HEIC/HEIF/AVIF 图片保存为 JPG
  --quality N           JPG(和 WebP)质量 0-100，默认 100
  --max-kb N            限制 JPG 文件大小(KB)：自动选取放得下的最高质量；0 为不限制
  --strip-metadata      不保留照片信息(EXIF、XMP、IPTC、颜色配置文件)
  --strip-gps           保留照片信息，但去除 GPS 位置信息
  --keep-gps            上传时保留 GPS 位置信息(上传的图片是公开的，默认去除其 GPS 位置)
  --keep-date           输出文件的修改时间与原图片相同
  --existing 方式       输出文件已存在时：overwrite(覆盖，默认) | skip(跳过) | rename(自动改名为 名称_2.扩展名 …)
                        无论哪种方式，原图片本身都不会被覆盖
  --rename 前缀         改名：前缀 + 顺序号(从 0 开始)
  --digits N            顺序号位数，默认 4
  --error-log           有错误时在输出文件夹写入 ErrorLog.txt

PDF 图片集:
  --pdf                 把保存的图片制作成 PDF 图片集(输出文件夹中的“标题.pdf”)
  --pdf-title 文字      标题，默认 Kuvo图片集
  --pdf-signature 文字  签名，默认 本图片集由Kuvo图片批处理软件制作
  --pdf-date 文字       日期，默认为当天(yyyy年mm月dd日)

上传:
  --upload 服务器       上传每张保存的图片：主机名(端口 21)、主机名:端口，
                        或 ftp://、ftps://、sftp:// 开头的地址；输出文件夹中写入 PicURL.htm
  --ftp-user 用户名     FTP 用户名
  --ftp-password-file 文件   从文件第一行读取 FTP 密码(密码不在命令行上给出)
  --ftp-root 文件夹     服务器上的目标文件夹
  --web-prefix 地址     上传的图片在网上的地址前缀，如 http://example.org/pics

集群(每个进程处理列表的一部分，最后合并):
  --files-from 文件     从文件读取图片和文件夹列表，每行一个；- 为标准输入
  -0                    列表以 NUL 字符分隔(配合 find -print0)
  --shard K/N           只处理序号 i 满足 i mod N = K 的图片，在输出文件夹写入
                        kuvo-results-K-of-N.jsonl；slurm：取 Slurm 任务数组的序号和数量；
                        k8s/N：取 Kubernetes 的 JOB_COMPLETION_INDEX
  --finish 文件夹       所有分片结束后合并结果：写入 ErrorLog.txt、PDF 和 PicURL.htm，
                        与一次处理全部图片的结果相同

运行:
  -j, --jobs N          同时处理的图片数，默认为处理器核心数
  --quiet               不显示进度和汇总
  -v, --verbose         每处理完一张图片输出一行：原图片 → 输出文件，或错误原因
  -h, --help            显示本帮助
  --version             显示版本

按 Ctrl-C 停止：不再开始新的图片，正在处理的图片保存完毕后结束(PDF、链接页、错误记录照常生成)；
再按一次 Ctrl-C 立即退出，不会留下写了一半的文件。

退出码: 0 全部成功；1 有错误(图片处理、保存、水印、边框、上传、PDF 或链接页，错误写到标准错误输出)；
        2 命令行用法错误，或 --finish 无法合并分片结果；130 被 Ctrl-C 停止。
)");
}

} // namespace kuvo::cli
