<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>BoardProcess</name>
    <message>
        <source>留言板程序无法启动：</source>
        <translation>The message board could not be started: </translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>Catalog</name>
    <message>
        <source>查找专辑失败！</source>
        <translation>Could not look up the albums.</translation>
    </message>
    <message>
        <source>查询错误：</source>
        <translation>The catalog query failed: </translation>
    </message>
    <message>
        <source>查找歌手失败！</source>
        <translation>Could not look up the singers.</translation>
    </message>
    <message>
        <source>查找不到任何数据！（不支持模糊查找，请输入准确名称！）</source>
        <translation>Nothing was found. (Only exact titles are found: please type the full title.)</translation>
    </message>
    <message>
        <source>查找提醒</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>播放列表读取错误！原来的列表文件保持不变，下次保存前会备份为 data/user.dll.bak。</source>
        <translation>The playlist could not be read. Its file has been left as it was and will be backed up as data/user.dll.bak before the playlist is next saved.</translation>
    </message>
    <message>
        <source>显示列表错误！</source>
        <translation>The playlist could not be shown.</translation>
    </message>
</context>
<context>
    <name>CatalogBrowser</name>
    <message>
        <source>送给你的礼物！</source>
        <translation>A present for you!</translation>
    </message>
    <message>
        <source>一生一世的爱恋</source>
        <translation>A love for a lifetime</translation>
    </message>
</context>
<context>
    <name>Downloader</name>
    <message>
        <source>%1开始下载数据失败！<byte value="xd"/>
<byte value="xd"/>
错误：%2</source>
        <translation>Error %1: the download could not be started.<byte value="xd"/>
<byte value="xd"/>
Reason: %2</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>服务器发来的文件是空的</source>
        <translation>The server sent an empty file</translation>
    </message>
    <message>
        <source>服务器发来的是网页，不是所要的文件</source>
        <translation>The server sent a web page, not the file asked for</translation>
    </message>
    <message>
        <source>无法写入文件：</source>
        <translation>Cannot write the file: </translation>
    </message>
    <message>
        <source>已经下载了%1%</source>
        <translation>%1% downloaded</translation>
    </message>
</context>
<context>
    <name>FileTransfer</name>
    <message>
        <source>服务器在回答之前发来了超过 %1 个临时回答</source>
        <translation>The server sent more than %1 interim responses before its answer</translation>
    </message>
    <message>
        <source>服务器回答的头部超过了 64 KB</source>
        <translation>The headers of the server&apos;s answer are larger than 64 KB</translation>
    </message>
    <message>
        <source>服务器回答 HTTP %1</source>
        <translation>The server answered HTTP %1</translation>
    </message>
    <message>
        <source>服务器发来的内容经过了编码（%1），不是文件本身</source>
        <translation>The server sent the content in a transfer encoding (%1), not the file itself</translation>
    </message>
    <message>
        <source>服务器发来的内容经过了压缩（%1），不是文件本身</source>
        <translation>The server sent the content compressed (%1), not the file itself</translation>
    </message>
    <message>
        <source>服务器没有说明文件有多长，无法确认文件是完整的</source>
        <translation>The server did not say how long the file is, so it cannot be confirmed to be complete</translation>
    </message>
    <message>
        <source>文件超过了 %1 的上限</source>
        <translation>The file is larger than the limit of %1</translation>
    </message>
    <message>
        <source>无法写入文件</source>
        <translation>Cannot write the file</translation>
    </message>
    <message>
        <source>TLS 连接没有正常结束（没有 close_notify），文件可能不完整</source>
        <translation>The TLS connection did not end properly (no close_notify); the file may be incomplete</translation>
    </message>
    <message>
        <source>不支持的协议 %1: %2</source>
        <translation>Unsupported protocol %1: %2</translation>
    </message>
    <message>
        <source>无效的地址: </source>
        <translation>Invalid address: </translation>
    </message>
    <message>
        <source>超过 %1 秒没有收到任何数据</source>
        <translation>No data arrived for more than %1 seconds</translation>
    </message>
    <message>
        <source>无法开始下载（libcurl）</source>
        <translation>The download could not be started (libcurl)</translation>
    </message>
</context>
<context>
    <name>LyricBox</name>
    <message>
        <source>歌词<byte value="xd"/>
</source>
        <translation>Lyrics<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>LyricLookup</name>
    <message>
        <source>正在查找音乐id...</source>
        <translation>Looking up the song...</translation>
    </message>
    <message>
        <source>正在查找歌词...</source>
        <translation>Looking for the lyrics...</translation>
    </message>
    <message>
        <source>暂无歌词</source>
        <translation>No lyrics found</translation>
    </message>
</context>
<context>
    <name>Media</name>
    <message>
        <source>所有支持类型 (*.mp3 *.mid *.wav *.wmv *.wma *.mpeg *.mpg *.flac *.ogg *.opus *.m4a *.wv *.midi *.kar *.m3u *.m3u8 *.pls)</source>
        <translation>All supported files (*.mp3 *.mid *.wav *.wmv *.wma *.mpeg *.mpg *.flac *.ogg *.opus *.m4a *.wv *.midi *.kar *.m3u *.m3u8 *.pls)</translation>
    </message>
    <message>
        <source>本地文件打开错误！</source>
        <translation>Could not open the local files.</translation>
    </message>
    <message>
        <source>文件播放错误！</source>
        <translation>Could not play the file.</translation>
    </message>
    <message>
        <source>文件暂停错误！</source>
        <translation>Could not pause the file.</translation>
    </message>
    <message>
        <source>文件停止错误！</source>
        <translation>Could not stop the file.</translation>
    </message>
    <message>
        <source>获取当前位置错误！</source>
        <translation>Could not get the current position.</translation>
    </message>
    <message>
        <source>获取播放长度错误！</source>
        <translation>Could not get the length of the song.</translation>
    </message>
    <message>
        <source>设置当前时间错误！</source>
        <translation>Could not move to that time.</translation>
    </message>
    <message>
        <source>获得音量错误！</source>
        <translation>Could not get the volume.</translation>
    </message>
    <message>
        <source>设置音量错误！</source>
        <translation>Could not set the volume.</translation>
    </message>
    <message>
        <source>获得信息时出错！</source>
        <translation>Could not get the song&apos;s details.</translation>
    </message>
    <message>
        <source>删除歌曲错误！</source>
        <translation>Could not delete the song.</translation>
    </message>
    <message>
        <source>打开本地文件</source>
        <translation>Open local files</translation>
    </message>
    <message>
        <source>提示！</source>
        <translation>Note</translation>
    </message>
</context>
<context>
    <name>NowPlaying</name>
    <message>
        <source>歌曲标题：%1<byte value="xd"/>
艺术家：%2<byte value="xd"/>
歌曲长度：%3分%4秒</source>
        <translation>Title: %1<byte value="xd"/>
Artist: %2<byte value="xd"/>
Length: %3 min %4 s</translation>
    </message>
    <message>
        <source><byte value="xd"/>
当前时间：</source>
        <translation><byte value="xd"/>
Time: </translation>
    </message>
</context>
<context>
    <name>PlaybackController</name>
    <message>
        <source>无法播放，请删除本歌曲！</source>
        <translation>This song cannot be played. Please delete it from the playlist.</translation>
    </message>
    <message>
        <source>播放错误！</source>
        <translation>Playback error</translation>
    </message>
    <message>
        <source>已经关闭</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>正在装入ASX文件</source>
        <translation>Loading the ASX file</translation>
    </message>
    <message>
        <source>正在装入NSC文件</source>
        <translation>Loading the NSC file</translation>
    </message>
    <message>
        <source>正在寻找Media Server</source>
        <translation>Looking for the media server</translation>
    </message>
    <message>
        <source>正在与Media Server建立连接</source>
        <translation>Connecting to the media server</translation>
    </message>
    <message>
        <source>正在打开或侦听流信息 </source>
        <translation>Opening the stream </translation>
    </message>
    <message>
        <source>流信息已经打开</source>
        <translation>Stream opened</translation>
    </message>
    <message>
        <source>歌词：<byte value="xd"/>
</source>
        <translation>Lyrics:<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>正在缓冲，请稍后...<byte value="xd"/>
</source>
        <translation>Buffering, please wait...<byte value="xd"/>
</translation>
    </message>
</context>
<context>
    <name>PlaylistFile</name>
    <message numerus="yes">
        <source>%n 个文件不存在，已跳过。</source>
        <translation>
            <numerusform>%n file does not exist and was skipped.</numerusform>
            <numerusform>%n files do not exist and were skipped.</numerusform>
        </translation>
    </message>
    <message>
        <source>……共 %1 个</source>
        <translation>… %1 in all</translation>
    </message>
    <message>
        <source>以下文件的名称不是 UTF-8 编码，无法播放，请改名后再添加：</source>
        <translation>These files cannot be played because their names are not UTF-8; please rename them and add them again:</translation>
    </message>
    <message>
        <source>以下播放列表嵌套超过 %1 层，未读取：</source>
        <translation>These playlists are nested more than %1 levels deep and were not read:</translation>
    </message>
    <message>
        <source>以下播放列表文件大于 %1 MB，未读取：</source>
        <translation>These playlist files are larger than %1 MB and were not read:</translation>
    </message>
</context>
<context>
    <name>Recordset</name>
    <message>
        <source>数据库文件不存在：%1</source>
        <translation>The database file does not exist: %1</translation>
    </message>
    <message>
        <source>数据库文件来自更新的版本（%1）：%2</source>
        <translation>The database file comes from a newer version (%1): %2</translation>
    </message>
    <message>
        <source>连接未打开</source>
        <translation>The connection is not open</translation>
    </message>
    <message>
        <source>查询语句为空</source>
        <translation>The query is empty</translation>
    </message>
    <message>
        <source>没有当前记录</source>
        <translation>There is no current record</translation>
    </message>
    <message>
        <source>该记录集不能更新</source>
        <translation>This record set cannot be updated</translation>
    </message>
    <message>
        <source>已到记录集末尾</source>
        <translation>The end of the record set has been reached</translation>
    </message>
</context>
<context>
    <name>Skin</name>
    <message>
        <source>设置控制按钮动作失败！</source>
        <translation>Could not set up the actions of the control buttons.</translation>
    </message>
    <message>
        <source>按钮刷新失败！</source>
        <translation>Could not redraw the buttons.</translation>
    </message>
    <message>
        <source>皮肤初始化错误！</source>
        <translation>Could not load the skin.</translation>
    </message>
    <message>
        <source>设置控制按钮失败!</source>
        <translation>Could not set up the control buttons.</translation>
    </message>
    <message>
        <source>获得歌手类型名错误！</source>
        <translation>Could not read the singer categories.</translation>
    </message>
    <message>
        <source>显示或隐藏歌手类型时错误！</source>
        <translation>Could not show or hide the singer categories.</translation>
    </message>
    <message>
        <source>设置颜色错误</source>
        <translation>Could not set the colours</translation>
    </message>
</context>
<context>
    <name>WebBrowser</name>
    <message>
        <source>正在载入…
%1</source>
        <translation>Loading…
%1</translation>
    </message>
</context>
<context>
    <name>frmBrowser</name>
    <message>
        <source>Sonaveil留言簿</source>
        <translation>Sonaveil message board</translation>
    </message>
</context>
<context>
    <name>frmDown</name>
    <message>
        <source>无法在文件夹“%1”中保存文件，请另选下载路径</source>
        <translation>Files cannot be saved in the folder “%1”. Please choose another place to save the song.</translation>
    </message>
    <message>
        <source>歌曲下载</source>
        <translation>Download song</translation>
    </message>
    <message>
        <source>下载地址:</source>
        <translation>Save as:</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>下载进度:</source>
        <translation>Progress:</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>您所选择的文件是本地文件,不需要下载!</source>
        <translation>The song you chose is a local file: there is nothing to download.</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save as</translation>
    </message>
    <message>
        <source>(*.*)所有类型文件 (*)</source>
        <translation>(*.*)All files (*)</translation>
    </message>
    <message>
        <source>请输入本地下载路径及文件名</source>
        <translation>Please enter the folder and file name to save the song as.</translation>
    </message>
    <message>
        <source>文件下载错误!<byte value="xd"/>
<byte value="xd"/>
错误：</source>
        <translation>The download failed.<byte value="xd"/>
<byte value="xd"/>
Error: </translation>
    </message>
    <message>
        <source>文件&quot;%1.wma&quot;已经下载完毕!</source>
        <translation>“%1.wma” has been downloaded.</translation>
    </message>
</context>
<context>
    <name>frmLrc</name>
    <message>
        <source>更改歌曲信息</source>
        <translation>Edit song details</translation>
    </message>
    <message>
        <source>歌曲名称：</source>
        <translation>Title:</translation>
    </message>
    <message>
        <source>歌手姓名：</source>
        <translation>Singer:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>frmMenu</name>
    <message>
        <source>显示主窗体</source>
        <translation>Show main window</translation>
    </message>
    <message>
        <source>关闭菜单</source>
        <translation>Close menu</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>添加本地文件</source>
        <translation>Add files</translation>
    </message>
    <message>
        <source>添加网络文件</source>
        <translation>Add URL</translation>
    </message>
    <message>
        <source>删除当前歌曲</source>
        <translation>Delete current song</translation>
    </message>
    <message>
        <source>删除所有歌曲</source>
        <translation>Delete all songs</translation>
    </message>
    <message>
        <source>控制</source>
        <translation>Playback</translation>
    </message>
    <message>
        <source>前一首</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>后一首</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>隐藏主窗体</source>
        <translation>Hide main window</translation>
    </message>
    <message>
        <source>重新搜索歌词</source>
        <translation>Search lyrics again</translation>
    </message>
    <message>
        <source>下载本曲铃声</source>
        <translation>Download ringtone</translation>
    </message>
    <message>
        <source>下载当前歌曲</source>
        <translation>Download current song</translation>
    </message>
    <message>
        <source>软件升级</source>
        <translation>Update Sonaveil</translation>
    </message>
    <message>
        <source>是否要删除所有歌曲？</source>
        <translation>Delete all songs?</translation>
    </message>
    <message>
        <source>提醒！</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>升级程序一旦启动，主程序即将关闭，是否确定？</source>
        <translation>The player closes once the updater starts. Continue?</translation>
    </message>
    <message>
        <source>提示！</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>打开留言板</source>
        <translation>Open message board</translation>
    </message>
    <message>
        <source>关闭留言板</source>
        <translation>Close message board</translation>
    </message>
</context>
<context>
    <name>frmUpdate</name>
    <message>
        <source>读取中…</source>
        <translation>Loading…</translation>
    </message>
    <message>
        <source>无法连接</source>
        <translation>No connection</translation>
    </message>
    <message>
        <source>下载的文件无法验证（没有发布者的有效签名），</source>
        <translation>The downloaded file could not be verified (it has no valid signature from the publisher); </translation>
    </message>
    <message>
        <source>下载的文件只有旧格式的签名（只签了文件的字节，没有说明是什么文件、哪个版本），无法验证，</source>
        <translation>The downloaded file has only an old-style signature (it signs the file&apos;s bytes but does not say which file or version it is), so it cannot be verified; </translation>
    </message>
    <message>
        <source>主程序</source>
        <translation>program</translation>
    </message>
    <message>
        <source>歌曲库</source>
        <translation>song catalog</translation>
    </message>
    <message>
        <source>%1原来的%2没有改动。</source>
        <translation>%1the installed %2 was left unchanged.</translation>
    </message>
    <message>
        <source>最新数据版本：</source>
        <translation>Catalog:</translation>
    </message>
    <message>
        <source>最新程序版本：</source>
        <translation>Program:</translation>
    </message>
    <message>
        <source>下载进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>升级主程序</source>
        <translation>Update app</translation>
    </message>
    <message>
        <source>升级歌曲库</source>
        <translation>Update songs</translation>
    </message>
    <message>
        <source>主程序由系统的软件包管理器安装，请通过软件包管理器更新它（例如 sudo apt upgrade）。</source>
        <translation>The program was installed by the system&apos;s package manager; please update it there (for example, sudo apt upgrade).</translation>
    </message>
    <message>
        <source>提示！</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>无法在安装目录里下载，</source>
        <translation>Nothing can be downloaded into the installation folder; </translation>
    </message>
    <message>
        <source>下载失败（%1），</source>
        <translation>The download failed (%1); </translation>
    </message>
    <message>
        <source>下载的文件不是本机能运行的程序，</source>
        <translation>The downloaded file is not a program this computer can run; </translation>
    </message>
    <message>
        <source>下载的文件不是歌曲库，</source>
        <translation>The downloaded file is not a song catalog; </translation>
    </message>
    <message>
        <source>发布者的签名说明这个文件是%1，</source>
        <translation>The publisher&apos;s signature says this file is the %1; </translation>
    </message>
    <message>
        <source>下载的主程序的版本（%1）无法与已安装的比较，</source>
        <translation>The downloaded program&apos;s version (%1) cannot be compared with the installed one; </translation>
    </message>
    <message>
        <source>下载的主程序（版本 %1）比已安装的（版本 %2）旧，</source>
        <translation>The downloaded program (version %1) is older than the installed one (version %2); </translation>
    </message>
    <message>
        <source>无法替换已安装的文件，</source>
        <translation>The installed file could not be replaced; </translation>
    </message>
    <message>
        <source>下载完毕！</source>
        <translation>Download complete.</translation>
    </message>
</context>
<context>
    <name>frmmain</name>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>升级</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>查询网络文件</source>
        <translation>Browse the online catalog</translation>
    </message>
    <message>
        <source>展开\关闭播放列表</source>
        <translation>Show or hide the playlist</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>在线人数%1人</source>
        <translation>%1 online</translation>
    </message>
    <message>
        <source>前一首</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>播放</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>后一首</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>打开本地文件</source>
        <translation>Open local files</translation>
    </message>
    <message>
        <source>播放列表面板</source>
        <translation>Playlist panel</translation>
    </message>
    <message>
        <source>播放器面板</source>
        <translation>Player panel</translation>
    </message>
    <message>
        <source>歌曲库面板</source>
        <translation>Song catalog panel</translation>
    </message>
    <message>
        <source>播放列表</source>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>欢迎您使用Sonaveil v4.0系列，我们力求为您提供优良的免费服务</source>
        <translation>Welcome to Sonaveil 4.0: good music, free of charge.</translation>
    </message>
    <message>
        <source>歌词：<byte value="xd"/>
</source>
        <translation>Lyrics:<byte value="xd"/>
</translation>
    </message>
    <message>
        <source>歌词</source>
        <translation>Lyrics</translation>
    </message>
    <message>
        <source>在线人数： 人</source>
        <translation>Online:</translation>
    </message>
    <message>
        <source>播放位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>音量</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>华语男歌手</source>
        <translation>Chinese male singers</translation>
    </message>
    <message>
        <source>歌手</source>
        <translation>Singers</translation>
    </message>
    <message>
        <source>专辑</source>
        <translation>Albums</translation>
    </message>
    <message>
        <source>歌曲</source>
        <translation>Songs</translation>
    </message>
    <message>
        <source>搜索歌曲</source>
        <translation>Search songs</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation>Search results</translation>
    </message>
    <message>
        <source>←添加到列表</source>
        <translation>← Add to list</translation>
    </message>
    <message>
        <source>↑添加到列表</source>
        <translation>↑ Add to list</translation>
    </message>
    <message>
        <source>关闭歌曲库</source>
        <translation>Close song catalog</translation>
    </message>
</context>
</TS>
