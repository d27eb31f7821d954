<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt" sourcelanguage="en">
<context>
    <name>Artwork</name>
    <message>
        <source>Baud Rate:</source>
        <translation>Velocidade:</translation>
    </message>
    <message>
        <source>Water Quality Meter</source>
        <translation>Qualidade da água</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Communication Port:</source>
        <translation>Porta serial:</translation>
    </message>
    <message>
        <source>Port Settings:</source>
        <translation>Porta:</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Receber</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>Seach</source>
        <translation>Buscar</translation>
    </message>
    <message>
        <source>Software version 3.0</source>
        <translation>Versão 3.0</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Interval Recording:</source>
        <translation>Intervalo:</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Gráfico</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Voltar</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Valor medido</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatura</translation>
    </message>
</context>
<context>
    <name>BitmapButton</name>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Receber</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>Search for ports</source>
        <translation>Buscar portas</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Gráfico</translation>
    </message>
    <message>
        <source>Back to the table</source>
        <translation>Voltar à tabela</translation>
    </message>
</context>
<context>
    <name>COrbekDlg</name>
    <message>
        <source>Port scaning</source>
        <translation>Busca de portas</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Receive</source>
        <translation>Receber</translation>
    </message>
    <message>
        <source>Save as Excel</source>
        <translation>Exportar</translation>
    </message>
    <message>
        <source>OFF</source>
        <translation>Desligado</translation>
    </message>
    <message>
        <source>10 sec.</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>30 sec.</source>
        <translation>30 s</translation>
    </message>
    <message>
        <source>1 min.</source>
        <translation>1 min</translation>
    </message>
    <message>
        <source>10 min.</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>30 min.</source>
        <translation>30 min</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Gráfico</translation>
    </message>
</context>
<context>
    <name>Line</name>
    <message>
        <source>cannot send: the port is not open</source>
        <translation>não é possível enviar: a porta não está aberta</translation>
    </message>
    <message>
        <source>cannot send to %1: %2</source>
        <translation>não é possível enviar para %1: %2</translation>
    </message>
    <message>
        <source>cannot read: the port is not open</source>
        <translation>não é possível ler: a porta não está aberta</translation>
    </message>
    <message>
        <source>cannot set %1 on %2: %3</source>
        <translation>não é possível ajustar %1 em %2: %3</translation>
    </message>
    <message>
        <source>no port has been chosen</source>
        <translation>nenhuma porta foi escolhida</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>não é possível abrir %1: %2</translation>
    </message>
    <message>
        <source>%1 bytes were still waiting to leave</source>
        <translation>%1 bytes ainda aguardavam para sair</translation>
    </message>
    <message>
        <source>the device is in use by another program (%1)</source>
        <translation>o dispositivo está em uso por outro programa (%1)</translation>
    </message>
    <message>
        <source>%1, process %2</source>
        <translation>%1, processo %2</translation>
    </message>
    <message>
        <source>the device is in use by another program</source>
        <translation>o dispositivo está em uso por outro programa</translation>
    </message>
    <message>
        <source>the device is not there</source>
        <translation>o dispositivo não está presente</translation>
    </message>
    <message>
        <source>the device is in use or may not be opened</source>
        <translation>o dispositivo está ocupado ou não pode ser aberto</translation>
    </message>
    <message>
        <source>the port is open already</source>
        <translation>a porta já está aberta</translation>
    </message>
    <message>
        <source>the port is not open</source>
        <translation>a porta não está aberta</translation>
    </message>
    <message>
        <source>the device did not take what was sent</source>
        <translation>o dispositivo não aceitou o que foi enviado</translation>
    </message>
    <message>
        <source>the device could not be read</source>
        <translation>não foi possível ler o dispositivo</translation>
    </message>
    <message>
        <source>the device stopped answering or was unplugged</source>
        <translation>o dispositivo parou de responder ou foi desconectado</translation>
    </message>
    <message>
        <source>the device does not support this setting</source>
        <translation>o dispositivo não suporta este ajuste</translation>
    </message>
    <message>
        <source>the device did not answer in time</source>
        <translation>o dispositivo não respondeu a tempo</translation>
    </message>
</context>
<context>
    <name>PortDiscovery</name>
    <message>
        <source>Port cannot be found</source>
        <translation>Nenhuma porta encontrada</translation>
    </message>
    <message>
        <source>Warnning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Found a port on your computer</source>
        <translation>Foi encontrada uma porta no computador</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensagem</translation>
    </message>
    <message>
        <source>Found the %1 ports on your computer</source>
        <translation>Foram encontradas %1 portas no computador</translation>
    </message>
    <message>
        <source>
No permission to open %1: add your user to the dialout group (sudo usermod -aG dialout $USER) and log in again.</source>
        <translation>
Sem permissão para abrir %1: adicione o seu utilizador ao grupo dialout (sudo usermod -aG dialout $USER) e volte a iniciar a sessão.</translation>
    </message>
    <message>
        <source>
No permission to open %1, which the dialout group may not open either: an administrator must grant access, for example with a udev rule that gives the device to the dialout group.</source>
        <translation>
Sem permissão para abrir %1, que o grupo dialout também não pode abrir: um administrador tem de dar acesso, por exemplo com uma regra udev que atribua o dispositivo ao grupo dialout.</translation>
    </message>
</context>
<context>
    <name>ReadingsTable</name>
    <message>
        <source>No.</source>
        <translation>Nº</translation>
    </message>
    <message>
        <source>Date and Time</source>
        <translation>Data e hora</translation>
    </message>
    <message>
        <source>Measured Value</source>
        <translation>Valor medido</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatura</translation>
    </message>
</context>
<context>
    <name>SampleDetails</name>
    <message>
        <source>Sample ID</source>
        <translation>ID da amostra</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Operador</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>Probe serial number</source>
        <translation>Nº de série da sonda</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Nota</translation>
    </message>
</context>
<context>
    <name>Save</name>
    <message>
        <source>Cannot save %1: %2</source>
        <translation>Não é possível salvar %1: %2</translation>
    </message>
    <message>
        <source>%1 is on a read-only file system</source>
        <translation>%1 está em um sistema de arquivos somente leitura</translation>
    </message>
    <message>
        <source>the name is too long</source>
        <translation>o nome é longo demais</translation>
    </message>
    <message>
        <source>no permission to create files in %1</source>
        <translation>sem permissão para criar arquivos em %1</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>a pasta %1 não existe</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>é uma pasta</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>não é um arquivo comum</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>o arquivo é somente leitura</translation>
    </message>
    <message>
        <source>no permission to write to it</source>
        <translation>sem permissão para gravar nele</translation>
    </message>
    <message>
        <source>%1; the saved content is complete in %2</source>
        <translation>%1; o conteúdo salvo está completo em %2</translation>
    </message>
    <message>
        <source>the file is saved, but its folder could not be synced to the disk (%1), so a power cut could still undo the save</source>
        <translation>o arquivo está salvo, mas sua pasta não pôde ser gravada no disco (%1): uma queda de energia ainda poderia desfazer o salvamento</translation>
    </message>
    <message>
        <source>%1 belongs to another user in the shared folder %2, so it is not written through</source>
        <translation>%1 pertence a outro usuário na pasta compartilhada %2, por isso não se grava por meio dele</translation>
    </message>
    <message>
        <source>the file</source>
        <translation>o arquivo</translation>
    </message>
    <message>
        <source>the link</source>
        <translation>o link</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>o disco está cheio</translation>
    </message>
    <message>
        <source>the file would be larger than the file size limit (ulimit -f) allows</source>
        <translation>o arquivo passaria do tamanho máximo permitido (ulimit -f)</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permissão negada</translation>
    </message>
    <message>
        <source>no such file or folder</source>
        <translation>arquivo ou pasta inexistente</translation>
    </message>
    <message>
        <source>the file system is read-only</source>
        <translation>o sistema de arquivos é somente leitura</translation>
    </message>
    <message>
        <source>the device reported an input/output error</source>
        <translation>o dispositivo informou um erro de entrada/saída</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>PDF report (*.pdf)</source>
        <translation>Relatório PDF (*.pdf)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>Imagem PNG (*.png)</translation>
    </message>
    <message>
        <source>SVG drawing (*.svg)</source>
        <translation>Desenho SVG (*.svg)</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>Documento PDF (*.pdf)</translation>
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
        <translation>Relatório da transferência</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Leituras</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Origem</translation>
    </message>
    <message>
        <source>Made</source>
        <translation>Criado</translation>
    </message>
    <message>
        <source>Meter time</source>
        <translation>Hora do medidor</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 a %2</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Amostra</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Estatísticas</translation>
    </message>
    <message>
        <source>Series</source>
        <translation>Série</translation>
    </message>
    <message>
        <source>n</source>
        <translation>n</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Mínimo</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Máximo</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Média</translation>
    </message>
    <message>
        <source>Std. deviation</source>
        <translation>Desvio padrão</translation>
    </message>
    <message>
        <source>(no unit)</source>
        <translation>(sem unidade)</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valor</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Temperatura</translation>
    </message>
    <message>
        <source>No readings.</source>
        <translation>Sem leituras.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Página %1 de %2</translation>
    </message>
    <message>
        <source>[… cut here: the whole text is in the saved files]</source>
        <translation>[… cortado aqui: o texto completo está nos arquivos salvos]</translation>
    </message>
    <message>
        <source>Out of step</source>
        <translation>Dessincronizadas</translation>
    </message>
    <message>
        <source>rows</source>
        <translation>linhas</translation>
    </message>
    <message>
        <source>Lost on the line</source>
        <translation>Perdidas na linha</translation>
    </message>
    <message>
        <source>before rows</source>
        <translation>antes das linhas</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Alterado</translation>
    </message>
    <message>
        <source>%1: “%2” to “%3”, %4</source>
        <translation>%1: “%2” para “%3”, %4</translation>
    </message>
    <message>
        <source>* out of step, left out of the statistics; +n: n readings lost on the line before the row</source>
        <translation>* dessincronizada, excluída das estatísticas; +n: n leituras perdidas na linha antes da linha</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Amostra %1</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Recebido</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Revisado</translation>
    </message>
</context>
<context>
    <name>WindowArchive</name>
    <message>
        <source>The restored transfer is not archived: %1</source>
        <translation>A transferência restaurada não está arquivada: %1</translation>
    </message>
    <message>
        <source>Transfer %1</source>
        <translation>A transferência %1</translation>
    </message>
    <message>
        <source>What waited to be archived (%1) went into the archive %2.</source>
        <translation>O que aguardava arquivamento (%1) entrou no arquivo %2.</translation>
    </message>
    <message>
        <source>%1 waits to be archived but cannot be read; it is left where it is.</source>
        <translation>%1 aguarda arquivamento, mas não pode ser lido; fica onde está.</translation>
    </message>
    <message>
        <source>%1 is not archived yet (%2); it waits in %3 and goes into the archive at the next chance.</source>
        <translation>%1 ainda não está arquivada (%2); aguarda em %3 e entra no arquivo na próxima oportunidade.</translation>
    </message>
    <message>
        <source>%1 may not be archived: %2</source>
        <translation>%1 talvez não esteja arquivada: %2</translation>
    </message>
    <message>
        <source>The save of %1</source>
        <translation>O salvamento de %1</translation>
    </message>
    <message>
        <source>The change of the details</source>
        <translation>A alteração dos detalhes</translation>
    </message>
    <message>
        <source>The review</source>
        <translation>A revisão</translation>
    </message>
</context>
<context>
    <name>orbek::COrbekDlg</name>
    <message>
        <source>1 transfer kept aside by earlier runs (from %1) is in %2.</source>
        <translation>1 transferência separada por sessões anteriores (de %1) está em %2.</translation>
    </message>
    <message>
        <source>%1 transfers kept aside by earlier runs (the oldest from %2) are in %3.</source>
        <translation>%1 transferências separadas por sessões anteriores (a mais antiga de %2) estão em %3.</translation>
    </message>
    <message>
        <source>orbek-log --decode turns each into a file; remove them once they are saved elsewhere.

Open the folder?</source>
        <translation>orbek-log --decode transforma cada uma num arquivo; remova-as depois de salvas noutro local.

Abrir a pasta?</translation>
    </message>
    <message>
        <source>The %1 readings the table showed were not exported; %2.</source>
        <translation>As %1 leituras da tabela não foram exportadas; %2.</translation>
    </message>
    <message>
        <source>Chart of the readings</source>
        <translation>Gráfico das leituras</translation>
    </message>
    <message>
        <source>Readings %1 to %2 shown; the last: %3 at %4.</source>
        <translation>Leituras %1 a %2 mostradas; a última: %3 a %4.</translation>
    </message>
    <message>
        <source>Receiving: 1 reading so far</source>
        <translation>Recebendo: 1 leitura até agora</translation>
    </message>
    <message>
        <source>Receiving: %1 readings so far</source>
        <translation>Recebendo: %1 leituras até agora</translation>
    </message>
    <message>
        <source>Transfer ended: 1 reading</source>
        <translation>Transferência terminada: 1 leitura</translation>
    </message>
    <message>
        <source>Transfer ended: %1 readings</source>
        <translation>Transferência terminada: %1 leituras</translation>
    </message>
    <message>
        <source>Transfer started</source>
        <translation>Transferência iniciada</translation>
    </message>
    <message>
        <source>Statistics: %1</source>
        <translation>Estatísticas: %1</translation>
    </message>
    <message>
        <source>This choice could not be saved in %1, so it may not hold.</source>
        <translation>Não foi possível salvar esta opção em %1, por isso pode não se manter.</translation>
    </message>
    <message>
        <source> (but it could not be synced to the disk: %1, so a power cut now could lose its last second)</source>
        <translation> (mas não foi possível gravá-lo no disco: %1; um queda de energia agora poderia perder o seu último segundo)</translation>
    </message>
    <message>
        <source>Orbek</source>
        <translation>Orbek</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Leituras</translation>
    </message>
    <message>
        <source>One row a reading: its number, the meter&apos;s date and time, the measured value and the temperature</source>
        <translation>Uma linha por leitura: o número, a data e hora do medidor, o valor medido e a temperatura</translation>
    </message>
    <message>
        <source>The measured value (green, solid line) and the temperature (red, dashed line) against the reading&apos;s number</source>
        <translation>O valor medido (verde, linha contínua) e a temperatura (vermelha, tracejada) pelo número da leitura</translation>
    </message>
    <message>
        <source>Sample Details...</source>
        <translation>Dados da amostra...</translation>
    </message>
    <message>
        <source>Save Report as PDF...</source>
        <translation>Salvar relatório em PDF...</translation>
    </message>
    <message>
        <source>Save Chart as Picture...</source>
        <translation>Salvar gráfico como imagem...</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Estatísticas</translation>
    </message>
    <message>
        <source>Transfer (n %1): %2</source>
        <translation>Transferência (n %1): %2</translation>
    </message>
    <message>
        <source>Chart (n %1): %2</source>
        <translation>Gráfico (n %1): %2</translation>
    </message>
    <message>
        <source>The details are kept for this transfer but not for the next start: %1.</source>
        <translation>Os dados valem para esta transferência, mas não para a próxima inicialização: %1.</translation>
    </message>
    <message>
        <source>the window</source>
        <translation>a janela</translation>
    </message>
    <message>
        <source>The report has been saved as %1.</source>
        <translation>O relatório foi salvo como %1.</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensagem</translation>
    </message>
    <message>
        <source>The chart has been saved as %1.</source>
        <translation>O gráfico foi salvo como %1.</translation>
    </message>
    <message>
        <source>An unexpected error stopped this action.</source>
        <translation>Um erro inesperado interrompeu esta ação.</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads, and are offered again at the next start.</source>
        <translation>Não é possível salvar as leituras separadas como %1: %2. Ficam em %3, que o orbek-log --decode lê, e voltam a ser oferecidas na próxima inicialização.</translation>
    </message>
    <message>
        <source>; the restored readings stay in %1 and are offered again at the next start.</source>
        <translation>; as leituras restauradas ficam em %1 e voltam a ser oferecidas na próxima inicialização.</translation>
    </message>
    <message>
        <source>No. %1
%2
%3</source>
        <translation>Nº %1
%2
%3</translation>
    </message>
    <message>
        <source>No. %1
%2
%3
%4</source>
        <translation>Nº %1
%2
%3
%4</translation>
    </message>
    <message>
        <source>Select a port</source>
        <translation>Escolha uma porta</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erro</translation>
    </message>
    <message>
        <source>Port is closed</source>
        <translation>A porta está fechada</translation>
    </message>
    <message>
        <source>Port is connected</source>
        <translation>A porta está conectada</translation>
    </message>
    <message>
        <source>The meter has not connected to computer</source>
        <translation>O medidor não está conectado ao computador</translation>
    </message>
    <message>
        <source>The connection to %1 was lost. The readings received so far are kept.</source>
        <translation>A conexão com %1 foi perdida. As leituras recebidas até agora são mantidas.</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Every reading of the transfer has been saved in %1.</source>
        <translation>Todas as leituras da transferência foram salvas em %1.</translation>
    </message>
    <message>
        <source>Connecting is failed</source>
        <translation>A conexão falhou</translation>
    </message>
    <message>
        <source>Data has been exported into Excel file</source>
        <translation>Os dados foram exportados para um arquivo Excel</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row: they are on the workbook&apos;s Data sheets, not on Sheet1.</source>
        <translation>As leituras %1 a %2 chegaram depois da última linha da tabela: estão nas folhas Data do livro, não em Sheet1.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1 for the journal</source>
        <translation>Não é possível criar a pasta %1 do diário</translation>
    </message>
    <message>
        <source>; this transfer is not kept should Orbek stop.</source>
        <translation>; esta transferência não fica salva se o Orbek parar.</translation>
    </message>
    <message>
        <source>no journal keeps them</source>
        <translation>nenhum diário as mantém</translation>
    </message>
    <message>
        <source>WARNING! All data will be lost if the windows closed</source>
        <translation>ATENÇÃO! Todos os dados serão perdidos se a janela for fechada</translation>
    </message>
    <message>
        <source>Readings %1 to %2 came after the table&apos;s last row; %3.</source>
        <translation>As leituras %1 a %2 chegaram depois da última linha da tabela; %3.</translation>
    </message>
    <message>
        <source>Orbek was not closed normally. %1 readings of its last transfer were found; the last one arrived on %2.

Restore them?

(No keeps them in %3, which orbek-log --decode reads.)</source>
        <translation>O Orbek não foi fechado normalmente. Foram encontradas %1 leituras da última transferência; a última chegou em %2.

Restaurá-las?

(Não guarda-as em %3, que o orbek-log --decode lê.)</translation>
    </message>
    <message>
        <source>Cannot keep the readings aside as %1: %2. They stay in %3, which orbek-log --decode reads.</source>
        <translation>Não é possível salvar as leituras separadas como %1: %2. Ficam em %3, que o orbek-log --decode lê.</translation>
    </message>
    <message>
        <source>every reading of this transfer is kept in %1, which orbek-log --decode reads</source>
        <translation>todas as leituras desta transferência ficam em %1, que o orbek-log --decode lê</translation>
    </message>
    <message>
        <source>Ask for Sample Details at Receive</source>
        <translation>Perguntar os detalhes da amostra ao receber</translation>
    </message>
    <message>
        <source>Sample %1</source>
        <translation>Amostra %1</translation>
    </message>
    <message>
        <source>Are the readings to come still of this sample?

%1

Yes keeps these details; No lets you change them first.</source>
        <translation>As leituras que vêm ainda são desta amostra?

%1

Sim mantém estes detalhes; Não permite alterá-los primeiro.</translation>
    </message>
    <message>
        <source>Sample Details</source>
        <translation>Dados da amostra</translation>
    </message>
    <message>
        <source>Most of the records received carry neither a real date nor a value the meter defines: they do not look like a meter&apos;s readings. Is the baud rate right?</source>
        <translation>A maioria dos registros recebidos não traz nem uma data real nem um valor que o medidor defina: não parecem leituras do medidor. A velocidade em bauds está certa?</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>Histórico...</translation>
    </message>
    <message>
        <source>Mark as Reviewed...</source>
        <translation>Marcar como revisado...</translation>
    </message>
    <message>
        <source> (%1 to %2)</source>
        <translation> (%1 a %2)</translation>
    </message>
    <message>
        <source>Reason for the change</source>
        <translation>Motivo da alteração</translation>
    </message>
    <message>
        <source>Why do the details of this transfer change? The archive keeps the old and the new text with your reason.</source>
        <translation>Por que os detalhes desta transferência mudam? O arquivo guarda o texto antigo e o novo com o seu motivo.</translation>
    </message>
    <message>
        <source>The details stay as they were: a change needs its reason.</source>
        <translation>Os detalhes ficam como estavam: uma alteração precisa de um motivo.</translation>
    </message>
    <message>
        <source>Transfers are not archived (orbek --no-archive).</source>
        <translation>As transferências não são arquivadas (orbek --no-archive).</translation>
    </message>
    <message>
        <source>A transfer is running; open the history once it has ended.</source>
        <translation>Uma transferência está em andamento; abra o histórico quando ela terminar.</translation>
    </message>
    <message>
        <source>Archived transfer of %1, sample %2 (%3): read-only</source>
        <translation>Transferência arquivada de %1, amostra %2 (%3): somente leitura</translation>
    </message>
    <message>
        <source>Only a transfer that has ended and is in the archive can be reviewed.</source>
        <translation>Só uma transferência terminada e arquivada pode ser revisada.</translation>
    </message>
    <message>
        <source>Marked as reviewed by %1 (%2).</source>
        <translation>Marcada como revisada por %1 (%2).</translation>
    </message>
    <message>
        <source>The stop command may not have reached the meter (%1); it may still be sending</source>
        <translation>O comando de parada talvez não tenha chegado ao medidor (%1); ele pode ainda estar enviando</translation>
    </message>
    <message>
        <source>The stop command could not be sent to %1: %2</source>
        <translation>Não foi possível enviar o comando de parada para %1: %2</translation>
    </message>
    <message>
        <source>Reading from or writing to %1 failed: %2</source>
        <translation>Falha ao ler ou escrever em %1: %2</translation>
    </message>
    <message>
        <source>Cannot write the journal %1 from reading %2 on: %3; the bytes wait in memory (up to %4) until it takes them</source>
        <translation>Não é possível escrever o diário %1 a partir da leitura %2: %3; os bytes aguardam na memória (até %4) até que ele os aceite</translation>
    </message>
    <message>
        <source>The journal %1 still cannot be written (%2) and the memory set aside for it is full: readings from %3 on are not kept in it</source>
        <translation>O diário %1 continua sem poder ser escrito (%2) e a memória reservada está cheia: as leituras a partir da %3 não são guardadas nele</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step.</source>
        <translation>Os registros do medidor saíram de sincronia na linha e foram ressincronizados.</translation>
    </message>
    <message>
        <source>The meter&apos;s records fell out of step on the line and were brought back in step (%1 times).</source>
        <translation>Os registros do medidor saíram de sincronia na linha e foram ressincronizados (%1 vezes).</translation>
    </message>
    <message>
        <source>Row %1 may show wrong readings.</source>
        <translation>A linha %1 pode mostrar leituras erradas.</translation>
    </message>
    <message>
        <source>Rows %1 may show wrong readings.</source>
        <translation>As linhas %1 podem mostrar leituras erradas.</translation>
    </message>
    <message>
        <source>before the first row</source>
        <translation>antes da primeira linha</translation>
    </message>
    <message>
        <source>after row %1</source>
        <translation>depois da linha %1</translation>
    </message>
    <message>
        <source>1 reading was lost (%1).</source>
        <translation>1 leitura foi perdida (%1).</translation>
    </message>
    <message>
        <source>%1 readings were lost (%2).</source>
        <translation>%1 leituras foram perdidas (%2).</translation>
    </message>
    <message>
        <source>1 byte was skipped; every other reading is as the meter sent it.</source>
        <translation>1 byte foi ignorado; todas as outras leituras estão como o medidor as enviou.</translation>
    </message>
    <message>
        <source>%1 bytes were skipped; every other reading is as the meter sent it.</source>
        <translation>%1 bytes foram ignorados; todas as outras leituras estão como o medidor as enviou.</translation>
    </message>
</context>
<context>
    <name>orbek::CTchart1</name>
    <message>
        <source>Cannot save %1: a picture&apos;s name must end in .png, .svg or .pdf</source>
        <translation>Não é possível salvar %1: o nome de uma imagem tem de terminar em .png, .svg ou .pdf</translation>
    </message>
    <message>
        <source>The chart cannot be drawn: %1</source>
        <translation>Não é possível desenhar o gráfico: %1</translation>
    </message>
</context>
<context>
    <name>orbek::HistoryDialog</name>
    <message>
        <source>History</source>
        <translation>Histórico</translation>
    </message>
    <message>
        <source>Sample, operator, location, probe or note</source>
        <translation>Amostra, operador, local, sonda ou nota</translation>
    </message>
    <message>
        <source>&amp;Search:</source>
        <translation>&amp;Pesquisar:</translation>
    </message>
    <message>
        <source>&amp;to</source>
        <translation>&amp;até</translation>
    </message>
    <message>
        <source>Archived transfers</source>
        <translation>Transferências arquivadas</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Início</translation>
    </message>
    <message>
        <source>Sample ID</source>
        <translation>ID da amostra</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Operador</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Local</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Leituras</translation>
    </message>
    <message>
        <source>Lost</source>
        <translation>Perdidas</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Unidades</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>A&amp;brir</translation>
    </message>
    <message numerus="yes">
        <source>%n transfer(s) in %1</source>
        <translation>
            <numerusform>%n transferência em %1</numerusform>
            <numerusform>%n transferências em %1</numerusform>
        </translation>
    </message>
    <message>
        <source>The archive cannot be read: %1</source>
        <translation>O arquivo não pode ser lido: %1</translation>
    </message>
    <message>
        <source>Started &amp;from:</source>
        <translation>Iniciadas &amp;de:</translation>
    </message>
</context>
<context>
    <name>orbek::ReviewDialog</name>
    <message>
        <source>Mark as Reviewed</source>
        <translation>Marcar como revisado</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Revisado</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Aprovado</translation>
    </message>
    <message>
        <source>Rejected</source>
        <translation>Rejeitado</translation>
    </message>
    <message>
        <source>&amp;Reviewer:</source>
        <translation>&amp;Revisor:</translation>
    </message>
    <message>
        <source>&amp;Meaning:</source>
        <translation>&amp;Significado:</translation>
    </message>
    <message>
        <source>The review is kept in the archive&apos;s audit trail with your name and the time; it cannot be changed afterwards.</source>
        <translation>A revisão fica guardada na trilha de auditoria do arquivo com o seu nome e a hora; não pode ser alterada depois.</translation>
    </message>
</context>
<context>
    <name>orbek::SampleDetailsDialog</name>
    <message>
        <source>Sample Details</source>
        <translation>Dados da amostra</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
    <message>
        <source>cannot create the folder %1</source>
        <translation>não é possível criar a pasta %1</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>não é possível escrever %1</translation>
    </message>
    <message>
        <source>It holds a control character; only line breaks and tabs can be kept.</source>
        <translation>Contém um caractere de controlo; só são mantidas quebras de linha e tabulações.</translation>
    </message>
    <message>
        <source>It holds a control character, which cannot be kept.</source>
        <translation>Contém um caractere de controlo, que não pode ser mantido.</translation>
    </message>
    <message>
        <source>It is longer than the %L1 characters a workbook&apos;s cell holds.</source>
        <translation>É mais longo do que os %L1 caracteres que uma célula de um livro comporta.</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
</TS>
