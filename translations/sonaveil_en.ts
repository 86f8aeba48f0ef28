<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
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
    <name>frmDown</name>
    <message>
        <source>无法在文件夹“%1”中保存文件，请另选下载路径</source>
        <translation>Files cannot be saved in the folder “%1”. Please choose another place to save the song.</translation>
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
</context>
</TS>
