<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>Artwork</name>
    <message>
        <source>Baud Rate:</source>
        <translation>波特率：</translation>
    </message>
    <message>
        <source>Water Quality Meter</source>
        <translation>水质测量仪</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Communication Port:</source>
        <translation>通信端口：</translation>
    </message>
    <message>
        <source>Port Settings:</source>
        <translation>端口设置：</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>存为 Excel</translation>
    </message>
    <message>
        <source>Seach</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Software version 3.0</source>
        <translation>软件版本 3.0</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开</translation>
    </message>
    <message>
        <source>Interval Recording:</source>
        <translation>记录间隔：</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>图表</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>返回</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>测量值</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
</context>
<context>
    <name>BitmapButton</name>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>断开</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>存为 Excel</translation>
    </message>
    <message>
        <source>Search for ports</source>
        <translation>搜索端口</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>图表</translation>
    </message>
    <message>
        <source>Back to the table</source>
        <translation>返回表格</translation>
    </message>
</context>
<context>
    <name>COrbekDlg</name>
    <message>
        <source>Port scaning</source>
        <translation>扫描端口</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>存为 Excel</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>关</translation>
    </message>
    <message>
        <source>10 sec.</source>
        <translation>10 秒</translation>
    </message>
    <message>
        <source>30 sec.</source>
        <translation>30 秒</translation>
    </message>
    <message>
        <source>1 min.</source>
        <translation>1 分钟</translation>
    </message>
    <message>
        <source>10 min.</source>
        <translation>10 分钟</translation>
    </message>
    <message>
        <source>30 min.</source>
        <translation>30 分钟</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>图表</translation>
    </message>
</context>
<context>
    <name>Line</name>
    <message>
        <source>cannot send: the port is not open</source>
        <translation>无法发送：端口未打开</translation>
    </message>
    <message>
        <source>cannot send to %1: %2</source>
        <translation>无法向 %1 发送：%2</translation>
    </message>
    <message>
        <source>cannot read: the port is not open</source>
        <translation>无法读取：端口未打开</translation>
    </message>
    <message>
        <source>cannot set %1 on %2: %3</source>
        <translation>无法在 %2 上设置 %1：%3</translation>
    </message>
    <message>
        <source>no port has been chosen</source>
        <translation>尚未选择端口</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>%1 bytes were still waiting to leave</source>
        <translation>仍有 %1 个字节等待发出</translation>
    </message>
    <message>
        <source>the device is in use by another program (%1)</source>
        <translation>设备正被另一个程序使用（%1）</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1，进程 %2</translation>
    </message>
    <message>
        <source>the device is in use by another program</source>
        <translation>设备正被另一个程序使用</translation>
    </message>
    <message>
        <source>the device is not there</source>
        <translation>设备不存在</translation>
    </message>
    <message>
        <source>the device is in use or may not be opened</source>
        <translation>设备正被占用或不允许打开</translation>
    </message>
    <message>
        <source>the port is open already</source>
        <translation>端口已经打开</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>端口未打开</translation>
    </message>
    <message>
        <source>the device did not take what was sent</source>
        <translation>设备未接收所发送的内容</translation>
    </message>
    <message>
        <source>the device could not be read</source>
        <translation>无法读取设备</translation>
    </message>
    <message>
        <source>the device stopped answering or was unplugged</source>
        <translation>设备停止响应或已被拔出</translation>
    </message>
    <message>
        <source>the device does not support this setting</source>
        <translation>设备不支持此设置</translation>
    </message>
    <message>
        <source>the device did not answer in time</source>
        <translation>设备未及时响应</translation>
    </message>
</context>
<context>
    <name>PortDiscovery</name>
    <message>
        <source>Port cannot be found</source>
        <translation>未找到端口</translation>
    </message>
    <message>
        <source>Warnning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Found a port on your computer</source>
        <translation>在计算机上找到一个端口</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>Found the %1 ports on your computer</source>
        <translation>在计算机上找到 %1 个端口</translation>
    </message>
    <message>
        <source>
No permission to open %1: add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again.</source>
        <translation>
无权打开 %1：请将您的用户加入 dialout 组（sudo usermod -aG dialout $USER）并重新登录。</translation>
    </message>
    <message>
        <source>
No permission to open %1, which the dialout group may not open either: an administrator must grant access, for example with a udev rule that gives the device to the dialout group.</source>
        <translation>
无权打开 %1，dialout 组也无权打开：需要管理员授予访问权限，例如用一条 udev 规则把该设备分配给 dialout 组。</translation>
    </message>
</context>
<context>
    <name>ReadingsTable</name>
    <message>
        <source>No.</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Date and Time</source>
        <translation>日期和时间</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>测量值</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
</context>
<context>
    <name>SampleDetails</name>
    <message>
        <source>Sample ID</source>
        <translation>样品编号</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>地点</translation>
    </message>
    <message>
        <source>Probe serial number</source>
        <translation>探头序列号</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>备注</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>无法保存 %1：%2</translation>
    </message>
    <message>
        <source>%1 is on a read-only file system</source>
        <translation>%1 位于只读文件系统上</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>名称过长</translation>
    </message>
    <message>
        <source>no permission to create files in %1</source>
        <translation>无权在 %1 中创建文件</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>文件夹 %1 不存在</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>它是一个文件夹</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>它不是普通文件</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>该文件为只读</translation>
    </message>
    <message>
        <source>no permission to write to it</source>
        <translation>无权写入</translation>
    </message>
    <message>
        <source>%1; the saved content is complete in %2</source>
        <translation>%1；已保存的内容完整地位于 %2</translation>
    </message>
    <message>
        <source>the file is saved, but its folder could not be synced to the disk (%1), so a power cut could still undo the save</source>
        <translation>文件已保存，但其文件夹无法同步到磁盘（%1），断电仍可能使保存失效</translation>
    </message>
    <message>
        <source>%1 belongs to another user in the shared folder %2, so it is not written through</source>
        <translation>%1 属于共享文件夹 %2 中的其他用户，因此不会经由它写入</translation>
    </message>
    <message>
        <source>the file</source>
        <translation>该文件</translation>
    </message>
    <message>
        <source>the link</source>
        <translation>该链接</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>磁盘已满</translation>
    </message>
    <message>
        <source>the file would be larger than the file size limit (ulimit -f) allows</source>
        <translation>文件将超过文件大小限制（ulimit -f）</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>权限被拒绝</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>没有该文件或文件夹</translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation>文件系统为只读</translation>
    </message>
    <message>
        <source>the device reported an input/output error</source>
        <translation>设备报告了输入/输出错误</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PDF report (*.pdf)</source>
        <translation>PDF 报告 (*.pdf)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG 图像 (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>SVG 图形 (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>PDF 文档 (*.pdf)</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
</context>
<context>
    <name>TransferReport</name>
    <message>
        <source>Transfer report</source>
        <translation>传输报告</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>来源</translation>
    </message>
    <message>
        <source>Made</source>
        <translation>生成时间</translation>
    </message>
    <message>
        <source>Meter time</source>
        <translation>仪器时间</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 至 %2</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>样品</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Series</source>
        <translation>序列</translation>
    </message>
    <message>
        <source>n</source>
        <translation>n</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>最小值</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>最大值</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>平均值</translation>
    </message>
    <message>
        <source>Std. deviation</source>
        <translation>标准差</translation>
    </message>
    <message>
        <source>(no unit)</source>
        <translation>（无单位）</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>No readings.</source>
        <translation>没有读数。</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>第 %1 页，共 %2 页</translation>
    </message>
    <message>
        <source>[… cut here: the whole text is in the saved files]</source>
        <translation>[… 此处截断：完整文本在已保存的文件中]</translation>
    </message>
    <message>
        <source>Out of step</source>
        <translation>失步</translation>
    </message>
    <message>
        <source>rows</source>
        <translation>行</translation>
    </message>
    <message>
        <source>Lost on the line</source>
        <translation>线路上丢失</translation>
    </message>
    <message>
        <source>before rows</source>
        <translation>位于以下行之前</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>已更改</translation>
    </message>
    <message>
        <source>%1: “%2” to “%3”, %4</source>
        <translation>%1：“%2”改为“%3”，%4</translation>
    </message>
    <message>
        <source>* out of step, left out of the statistics; +n: n readings lost on the line before the row</source>
        <translation>* 失步，不计入统计；+n：该行之前线路上丢失了 n 个读数</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>样品 %1</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>接收</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>已审核</translation>
    </message>
</context>
<context>
    <name>WindowArchive</name>
    <message>
        <source>The restored transfer is not archived: %1</source>
        <translation>恢复的传输未归档：%1</translation>
    </message>
    <message>
        <source>Transfer %1</source>
        <translation>传输 %1</translation>
    </message>
    <message>
        <source>What waited to be archived (%1) went into the archive %2.</source>
        <translation>等待归档的内容（%1）已存入归档 %2。</translation>
    </message>
    <message>
        <source>%1 waits to be archived but cannot be read; it is left where it is.</source>
        <translation>%1 等待归档但无法读取；保留在原处。</translation>
    </message>
    <message>
        <source>%1 is not archived yet (%2); it waits in %3 and goes into the archive at the next chance.</source>
        <translation>%1 尚未归档（%2）；它在 %3 中等待，并将在下一次机会存入归档。</translation>
    </message>
    <message>
        <source>%1 may not be archived: %2</source>
        <translation>%1 可能未归档：%2</translation>
    </message>
    <message>
        <source>The save of %1</source>
        <translation>保存 %1</translation>
    </message>
    <message>
        <source>The change of the details</source>
        <translation>详细信息的更改</translation>
    </message>
    <message>
        <source>The review</source>
        <translation>审核</translation>
    </message>
</context>
<context>
    <name>orbek::COrbekDlg</name>
    <message>
        <source>1 transfer kept aside by earlier runs (from %1) is in %2.</source>
        <translation>早先运行搁置的 1 次传输（%1）位于 %2。</translation>
    </message>
    <message>
        <source>%1 transfers kept aside by earlier runs (the oldest from %2) are in %3.</source>
        <translation>早先运行搁置的 %1 次传输（最早的为 %2）位于 %3。</translation>
    </message>
    <message>
        <source>orbek-log --decode turns each into a file; remove them once they are saved elsewhere.

Open the folder?</source>
        <translation>orbek-log --decode 可将每个转换为文件；在其他位置保存后请将其删除。

打开文件夹？</translation>
    </message>
    <message>
        <source>The %1 readings the table showed were not exported; %2.</source>
        <translation>表格中的 %1 个读数尚未导出；%2。</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>读数图表</translation>
    </message>
    <message>
        <source>Readings %1 to %2 shown; the last: %3 at %4.</source>
        <translation>显示读数 %1 至 %2；最后一个：%3，%4。</translation>
    </message>
    <message>
        <source>Receiving: 1 reading so far</source>
        <translation>正在接收：目前 1 个读数</translation>
    </message>
    <message>
        <source>Receiving: %1 readings so far</source>
        <translation>正在接收：目前 %1 个读数</translation>
    </message>
    <message>
        <source>Transfer ended: 1 reading</source>
        <translation>传输结束：1 个读数</translation>
    </message>
    <message>
        <source>Transfer ended: %1 readings</source>
        <translation>传输结束：%1 个读数</translation>
    </message>
    <message>
        <source>Transfer started</source>
        <translation>传输已开始</translation>
    </message>
    <message>
        <source>Statistics: %1</source>
        <translation>统计：%1</translation>
    </message>
    <message>
        <source>This choice could not be saved in %1, so it may not hold.</source>
        <translation>无法将此选择保存到 %1，因此它可能不会保留。</translation>
    </message>
    <message>
        <source> (but it could not be synced to the disk: %1, so a power cut now could lose its last second)</source>
        <translation>（但无法写入磁盘：%1；此时断电可能丢失其最后一秒）</translation>
    </message>
    <message>
        <source>Orbek</source>
        <translation>Orbek</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>One row a reading: its number, the meter&apos;s date and time, the measured value and the temperature</source>
        <translation>每个读数一行：编号、仪器日期和时间、测量值和温度</translation>
    </message>
    <message>
        <source>The measured value (green, solid line) and the temperature (red, dashed line) against the reading&apos;s number</source>
        <translation>测量值（绿色实线）和温度（红色虚线）随读数编号的变化</translation>
    </message>
    <message>
        <source>Sample Details...</source>
        <translation>样品信息...</translation>
    </message>
    <message>
        <source>Save Report as PDF...</source>
        <translation>将报告另存为 PDF...</translation>
    </message>
    <message>
        <source>Save Chart as Picture...</source>
        <translation>将图表另存为图片...</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Transfer (n %1): %2</source>
        <translation>传输（n %1）：%2</translation>
    </message>
    <message>
        <source>Chart (n %1): %2</source>
        <translation>图表（n %1）：%2</translation>
    </message>
    <message>
        <source>The details are kept for this transfer but not for the next start: %1.</source>
        <translation>这些信息仅用于本次传输，下次启动时不会保留：%1。</translation>
    </message>
    <message>
        <source>the window</source>
        <translation>窗口</translation>
    </message>
    <message>
        <source>The report has been saved as %1.</source>
        <translation>报告已保存为 %1。</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>The chart has been saved as %1.</source>
        <translation>图表已保存为 %1。</translation>
    </message>
    <message>
        <source>An unexpected error stopped this action.</source>
        <translation>意外错误中止了此操作。</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads, and are offered again at the next start.</source>
        <translation>无法将读数另存为 %1：%2。它们仍在 %3 中（可由 orbek-log --decode 读取），下次启动时会再次提供。</translation>
    </message>
    <message>
        <source>; the restored readings stay in %1 and are offered again at the next start.</source>
        <translation>；恢复的读数仍在 %1 中，下次启动时会再次提供。</translation>
    </message>
    <message>
        <source>No. %1
%2
%3</source>
        <translation>序号 %1
%2
%3</translation>
    </message>
    <message>
        <source>No. %1
%2
%3
%4</source>
        <translation>序号 %1
%2
%3
%4</translation>
    </message>
    <message>
        <source>Select a port</source>
        <translation>请选择端口</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Port is closed</source>
        <translation>端口已关闭</translation>
    </message>
    <message>
        <source>Port is connected</source>
        <translation>端口已连接</translation>
    </message>
    <message>
        <source>The meter has not connected to computer</source>
        <translation>仪器未连接到计算机</translation>
    </message>
    <message>
        <source>The connection to %1 was lost. The readings received so far are kept.</source>
        <translation>与 %1 的连接已断开。已收到的读数会保留。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Every reading of the transfer has been saved in %1.</source>
        <translation>本次传输的所有读数已保存到 %1。</translation>
    </message>
    <message>
        <source>Connecting is failed</source>
        <translation>连接失败</translation>
    </message>
    <message>
        <source>Data has been exported into Excel file</source>
        <translation>数据已导出到 Excel 文件</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row: they are on the workbook&apos;s Data sheets, not on Sheet1.</source>
        <translation>读数 %1 至 %2 在表格最后一行之后到达：它们在工作簿的 Data 工作表中，而不在 Sheet1 中。</translation>
    </message>
    <message>
        <source>Cannot create the folder %1 for the journal</source>
        <translation>无法为日志创建文件夹 %1</translation>
    </message>
    <message>
        <source>; this transfer is not kept should Orbek stop.</source>
        <translation>；如果 Orbek 中止，本次传输不会保留。</translation>
    </message>
    <message>
        <source>no journal keeps them</source>
        <translation>没有日志保存它们</translation>
    </message>
    <message>
        <source>WARNING! All data will be lost if the windows closed</source>
        <translation>警告！关闭窗口将丢失所有数据</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row; %3.</source>
        <translation>读数 %1 至 %2 在表格最后一行之后到达；%3。</translation>
    </message>
    <message>
        <source>Orbek was not closed normally. %1 readings of its last transfer were found; the last one arrived on %2.

Restore them?

(No keeps them in %3, which orbek-log --decode reads.)</source>
        <translation>Orbek 未正常关闭。找到上次传输的 %1 个读数；最后一个于 %2 到达。

要恢复吗？

（选“否”会将其保存在 %3 中，可由 orbek-log --decode 读取。）</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads.</source>
        <translation>无法将读数另存为 %1：%2。它们仍在 %3 中，可由 orbek-log --decode 读取。</translation>
    </message>
    <message>
        <source>every reading of this transfer is kept in %1, which orbek-log --decode reads</source>
        <translation>本次传输的所有读数保存在 %1 中，可由 orbek-log --decode 读取</translation>
    </message>
    <message>
        <source>Ask for Sample Details at Receive</source>
        <translation>接收时询问样品详情</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>样品 %1</translation>
    </message>
    <message>
        <source>Are the readings to come still of this sample?

%1

Yes keeps these details; No lets you change them first.</source>
        <translation>接下来的读数仍属于此样品吗？

%1

“是”保留这些详情；“否”让您先修改。</translation>
    </message>
    <message>
        <source>Sample Details</source>
        <translation>样品信息</translation>
    </message>
    <message>
        <source>Most of the records received carry neither a real date nor a value the meter defines: they do not look like a meter&apos;s readings. Is the baud rate right?</source>
        <translation>收到的大多数记录既没有真实的日期，也没有仪表定义的数值：它们看起来不像仪表的读数。波特率设置正确吗？</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>历史记录...</translation>
    </message>
    <message>
        <source>Mark as Reviewed...</source>
        <translation>标记为已审核...</translation>
    </message>
    <message>
        <source> (%1 to %2)</source>
        <translation>（%1 至 %2）</translation>
    </message>
    <message>
        <source>Reason for the change</source>
        <translation>更改原因</translation>
    </message>
    <message>
        <source>Why do the details of this transfer change? The archive keeps the old and the new text with your reason.</source>
        <translation>为什么要更改此传输的详细信息？归档会保留旧文本和新文本以及您的原因。</translation>
    </message>
    <message>
        <source>The details stay as they were: a change needs its reason.</source>
        <translation>详细信息保持不变：更改需要说明原因。</translation>
    </message>
    <message>
        <source>Transfers are not archived (orbek --no-archive).</source>
        <translation>传输未归档（orbek --no-archive）。</translation>
    </message>
    <message>
        <source>A transfer is running; open the history once it has ended.</source>
        <translation>传输正在进行；请在结束后打开历史记录。</translation>
    </message>
    <message>
        <source>Archived transfer of %1, sample %2 (%3): read-only</source>
        <translation>%1 的归档传输，样品 %2（%3）：只读</translation>
    </message>
    <message>
        <source>Only a transfer that has ended and is in the archive can be reviewed.</source>
        <translation>只有已结束并已归档的传输才能审核。</translation>
    </message>
    <message>
        <source>Marked as reviewed by %1 (%2).</source>
        <translation>已由 %1 标记为已审核（%2）。</translation>
    </message>
    <message>
        <source>The stop command may not have reached the meter (%1); it may still be sending</source>
        <translation>停止命令可能未到达仪表（%1）；仪表可能仍在发送</translation>
    </message>
    <message>
        <source>The stop command could not be sent to %1: %2</source>
        <translation>无法向 %1 发送停止命令：%2</translation>
    </message>
    <message>
        <source>Reading from or writing to %1 failed: %2</source>
        <translation>读写 %1 失败：%2</translation>
    </message>
    <message>
        <source>Cannot write the journal %1 from reading %2 on: %3; the bytes wait in memory (up to %4) until it takes them</source>
        <translation>从第 %2 个读数起无法写入日志 %1：%3；这些字节在内存中等待（最多 %4），直到日志能接收它们</translation>
    </message>
    <message>
        <source>The journal %1 still cannot be written (%2) and the memory set aside for it is full: readings from %3 on are not kept in it</source>
        <translation>日志 %1 仍无法写入（%2），为其预留的内存已满：从第 %3 个读数起不再保存在日志中</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step.</source>
        <translation>仪器的记录在线路上错位，已重新对齐。</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step (%1 times).</source>
        <translation>仪器的记录在线路上错位，已重新对齐（%1 次）。</translation>
    </message>
    <message>
        <source>Row %1 may show wrong readings.</source>
        <translation>第 %1 行可能显示错误的读数。</translation>
    </message>
    <message>
        <source>Rows %1 may show wrong readings.</source>
        <translation>第 %1 行可能显示错误的读数。</translation>
    </message>
    <message>
        <source>before the first row</source>
        <translation>在第一行之前</translation>
    </message>
    <message>
        <source>after row %1</source>
        <translation>在第 %1 行之后</translation>
    </message>
    <message>
        <source>1 reading was lost (%1).</source>
        <translation>丢失了 1 个读数（%1）。</translation>
    </message>
    <message>
        <source>%1 readings were lost (%2).</source>
        <translation>丢失了 %1 个读数（%2）。</translation>
    </message>
    <message>
        <source>1 byte was skipped; every other reading is as the meter sent it.</source>
        <translation>跳过了 1 个字节；其他所有读数都与仪器发送的一致。</translation>
    </message>
    <message>
        <source>%1 bytes were skipped; every other reading is as the meter sent it.</source>
        <translation>跳过了 %1 个字节；其他所有读数都与仪器发送的一致。</translation>
    </message>
</context>
<context>
    <name>orbek::CTchart1</name>
    <message>
        <source>Cannot save %1: a picture&apos;s name must end in .png, .svg or .pdf</source>
        <translation>无法保存 %1：图片文件名必须以 .png、.svg 或 .pdf 结尾</translation>
    </message>
    <message>
        <source>The chart cannot be drawn: %1</source>
        <translation>无法绘制图表：%1</translation>
    </message>
</context>
<context>
    <name>orbek::HistoryDialog</name>
    <message>
        <source>History</source>
        <translation>历史记录</translation>
    </message>
    <message>
        <source>Sample, operator, location, probe or note</source>
        <translation>样品、操作员、地点、探头或备注</translation>
    </message>
    <message>
        <source>&amp;Search:</source>
        <translation>搜索(&amp;S)：</translation>
    </message>
    <message>
        <source>&amp;to</source>
        <translation>至(&amp;T)</translation>
    </message>
    <message>
        <source>Archived transfers</source>
        <translation>已归档的传输</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Sample ID</source>
        <translation>样品编号</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>地点</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>丢失</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>打开(&amp;O)</translation>
    </message>
    <message numerus="yes">
        <source>%n transfer(s) in %1</source>
        <translation>
            <numerusform>%1 中有 %n 个传输</numerusform>
        </translation>
    </message>
    <message>
        <source>The archive cannot be read: %1</source>
        <translation>无法读取归档：%1</translation>
    </message>
    <message>
        <source>Started &amp;from:</source>
        <translation>开始日期从(&amp;F)：</translation>
    </message>
</context>
<context>
    <name>orbek::ReviewDialog</name>
    <message>
        <source>Mark as Reviewed</source>
        <translation>标记为已审核</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>已审核</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>已批准</translation>
    </message>
    <message>
        <source>Rejected</source>
        <translation>已拒绝</translation>
    </message>
    <message>
        <source>&amp;Reviewer:</source>
        <translation>审核人(&amp;R)：</translation>
    </message>
    <message>
        <source>&amp;Meaning:</source>
        <translation>含义(&amp;M)：</translation>
    </message>
    <message>
        <source>The review is kept in the archive&apos;s audit trail with your name and the time; it cannot be changed afterwards.</source>
        <translation>审核会连同您的姓名和时间保存在归档的审计记录中；之后无法更改。</translation>
    </message>
</context>
<context>
    <name>orbek::SampleDetailsDialog</name>
    <message>
        <source>Sample Details</source>
        <translation>样品信息</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1：</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>无法创建文件夹 %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>无法写入 %1</translation>
    </message>
    <message>
        <source>It holds a control character; only line breaks and tabs can be kept.</source>
        <translation>其中含有控制字符；只能保留换行符和制表符。</translation>
    </message>
    <message>
        <source>It holds a control character, which cannot be kept.</source>
        <translation>其中含有无法保留的控制字符。</translation>
    </message>
    <message>
        <source>It is longer than the %L1 characters a workbook&apos;s cell holds.</source>
        <translation>超过了工作簿单元格可容纳的 %L1 个字符。</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
</context>
</TS>
